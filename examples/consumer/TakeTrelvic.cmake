# Takes Trelvic in: an installed copy (find_package), or the source tree
# itself, with add_subdirectory (TRELVIC_SOURCE_DIR) or FetchContent
# (TRELVIC_FETCH_DIR).
set(TRELVIC_SOURCE_DIR "" CACHE PATH "Take Trelvic in from this source tree")
set(TRELVIC_FETCH_DIR "" CACHE PATH "Fetch Trelvic from this source tree")
if(TRELVIC_SOURCE_DIR)
    add_subdirectory(${TRELVIC_SOURCE_DIR} trelvic)
elseif(TRELVIC_FETCH_DIR)
    include(FetchContent)
    FetchContent_Declare(trelvic SOURCE_DIR ${TRELVIC_FETCH_DIR})
    FetchContent_MakeAvailable(trelvic)
else()
    find_package(Trelvic 1.0 REQUIRED)
endif()
