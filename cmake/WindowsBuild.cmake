# Cross-builds Trelvic.exe from this source tree with mingw-w64, as a build of
# its own, and puts it beside the Linux tools in bin/.
include(ExternalProject)

set(TRELVIC_EXE ${PROJECT_BINARY_DIR}/bin/Trelvic.exe)

ExternalProject_Add(trelvic_windows
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${PROJECT_BINARY_DIR}/windows
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64.cmake
               -DCMAKE_BUILD_TYPE=Release
               -DTRELVIC_BUILD_TESTING=OFF
    BUILD_ALWAYS ON
    INSTALL_COMMAND ${CMAKE_COMMAND} -E copy_if_different
                    ${PROJECT_BINARY_DIR}/windows/bin/Trelvic.exe ${TRELVIC_EXE}
    BUILD_BYPRODUCTS ${TRELVIC_EXE})

# The executable packed for Windows users, beside the Linux packages.
ExternalProject_Add_Step(trelvic_windows zip
    COMMAND ${CMAKE_CPACK_COMMAND} -G ZIP -B ${PROJECT_BINARY_DIR}/packages
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/windows
    DEPENDEES build
    ALWAYS ON)
