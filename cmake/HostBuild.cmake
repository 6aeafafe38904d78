# Configures or builds the tools for the host, for a cross-compiled build
# that takes this tree in. The cross environment stays out: compilers and
# flags exported for the target, and its toolchain file, would make tools
# that can't run here. Usage:
#   cmake -DSOURCE=<tree> -DBINARY=<folder> -DGENERATOR=<generator>
#         -DARGS=<host settings, separated by ::> -P HostBuild.cmake configure|build
foreach(variable CC CXX CFLAGS CXXFLAGS CPPFLAGS LDFLAGS CMAKE_TOOLCHAIN_FILE
                 CMAKE_GENERATOR_PLATFORM CMAKE_GENERATOR_TOOLSET)
    unset(ENV{${variable}})
endforeach()
string(REPLACE "::" ";" ARGS "${ARGS}")
math(EXPR last "${CMAKE_ARGC} - 1")
if(CMAKE_ARGV${last} STREQUAL "configure")
    set(command ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -G ${GENERATOR}
        -DCMAKE_BUILD_TYPE=Release -DTRELVIC_BUILD_TESTING=OFF -DTRELVIC_INSTALL=OFF
        -DTRELVIC_WERROR=OFF ${ARGS})
else()
    set(command ${CMAKE_COMMAND} --build ${BINARY} --config Release)
endif()
execute_process(COMMAND ${command} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "Building Trelvic and morvash for this host failed (above). Give the "
            "host's compilers in TRELVIC_HOST_CMAKE_ARGS (such as "
            "-DCMAKE_C_COMPILER=gcc;-DCMAKE_CXX_COMPILER=g++), or set TRELVIC_HOST_TOOLS to a "
            "folder that holds Trelvic and morvash built for this host.")
endif()
