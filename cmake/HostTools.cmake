# Trelvic::Trelvic and Trelvic::morvash for a cross-compiled build: taken from
# TRELVIC_HOST_TOOLS, or built from this tree for the host, with the host's
# own compilers, as a build of its own.
set(TRELVIC_HOST_TOOLS "" CACHE PATH
    "Folder holding Trelvic and morvash built for this host (empty: build them)")
if(TRELVIC_HOST_TOOLS)
    set(host_bin "${TRELVIC_HOST_TOOLS}")
else()
    include(ExternalProject)
    set(host_bin "${PROJECT_BINARY_DIR}/host/bin")
    ExternalProject_Add(trelvic_host_tools
        SOURCE_DIR "${PROJECT_SOURCE_DIR}"
        BINARY_DIR "${PROJECT_BINARY_DIR}/host"
        CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DTRELVIC_BUILD_TESTING=OFF -DTRELVIC_INSTALL=OFF
                   -DTRELVIC_WERROR=OFF
        INSTALL_COMMAND ""
        BUILD_BYPRODUCTS "${host_bin}/Trelvic${CMAKE_HOST_EXECUTABLE_SUFFIX}"
                         "${host_bin}/morvash${CMAKE_HOST_EXECUTABLE_SUFFIX}")
endif()
foreach(tool Trelvic morvash)
    add_executable(Trelvic::${tool} IMPORTED GLOBAL)
    set_target_properties(Trelvic::${tool} PROPERTIES
        IMPORTED_LOCATION "${host_bin}/${tool}${CMAKE_HOST_EXECUTABLE_SUFFIX}")
endforeach()
