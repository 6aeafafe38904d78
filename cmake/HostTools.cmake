# Trelvic::Trelvic and Trelvic::morvash for a cross-compiled build: taken from
# TRELVIC_HOST_TOOLS, or built from this tree for the host, as a build of its
# own that sees nothing of the cross environment.
set(TRELVIC_HOST_TOOLS "" CACHE PATH
    "Folder holding Trelvic and morvash built for this host (empty: build them)")
set(TRELVIC_HOST_CMAKE_ARGS "" CACHE STRING
    "Settings for the build of the tools for this host, such as -DCMAKE_CXX_COMPILER=g++")
if(CMAKE_HOST_WIN32)
    set(trelvic_host_suffix .exe)
else()
    set(trelvic_host_suffix "")
endif()
if(TRELVIC_HOST_TOOLS)
    set(trelvic_host_bin "${TRELVIC_HOST_TOOLS}")
else()
    include(ExternalProject)
    set(trelvic_host_bin "${PROJECT_BINARY_DIR}/host/bin")
    # A list would be split on its way through ExternalProject.
    string(REPLACE ";" "::" trelvic_host_args "${TRELVIC_HOST_CMAKE_ARGS}")
    set(trelvic_host_build ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR}
        -DBINARY=${PROJECT_BINARY_DIR}/host "-DGENERATOR=${CMAKE_GENERATOR}"
        "-DARGS=${trelvic_host_args}" -P ${CMAKE_CURRENT_LIST_DIR}/HostBuild.cmake)
    ExternalProject_Add(trelvic_host_tools
        SOURCE_DIR "${PROJECT_SOURCE_DIR}"
        BINARY_DIR "${PROJECT_BINARY_DIR}/host"
        CONFIGURE_COMMAND ${trelvic_host_build} configure
        BUILD_COMMAND ${trelvic_host_build} build
        INSTALL_COMMAND ""
        BUILD_BYPRODUCTS "${trelvic_host_bin}/Trelvic${trelvic_host_suffix}"
                         "${trelvic_host_bin}/morvash${trelvic_host_suffix}")
endif()
foreach(tool Trelvic morvash)
    add_executable(Trelvic::${tool} IMPORTED GLOBAL)
    set_target_properties(Trelvic::${tool} PROPERTIES
        IMPORTED_LOCATION "${trelvic_host_bin}/${tool}${trelvic_host_suffix}")
endforeach()
