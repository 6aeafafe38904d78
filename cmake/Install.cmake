# Installs the tools, their man pages and a CMake package, and packs them.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Trelvic)

install(TARGETS Trelvic morvash EXPORT TrelvicTargets RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES man/Trelvic.1 man/morvash.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(EXPORT TrelvicTargets NAMESPACE Trelvic:: DESTINATION ${package_dir})

configure_package_config_file(cmake/TrelvicConfig.cmake.in
    ${PROJECT_BINARY_DIR}/TrelvicConfig.cmake INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TrelvicConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TrelvicConfig.cmake
              ${PROJECT_BINARY_DIR}/TrelvicConfigVersion.cmake
              cmake/TrelvicFunctions.cmake
        DESTINATION ${package_dir})

# Packages are made of this project alone, not of a build that takes it in.
if(NOT PROJECT_IS_TOP_LEVEL)
    return()
endif()

set(CPACK_PACKAGE_NAME trelvic)
set(CPACK_PACKAGE_VENDOR "Trelvic developers")
set(CPACK_PACKAGE_CONTACT "Trelvic developers <trelvic@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Turn binary files into C headers (Trelvic, morvash)")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
