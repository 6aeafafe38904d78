# Installs the tools, their man pages and a CMake package, and packs them.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Trelvic)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/trelvic)

install(TARGETS trelvic_packer trelvic_converter EXPORT TrelvicTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT TrelvicTargets NAMESPACE Trelvic:: DESTINATION ${package_dir})

# Man pages and the changelog go out compressed, as Debian expects.
set(compressed "")
foreach(source man/Trelvic.1 man/morvash.1 packaging/changelog)
    get_filename_component(name ${source} NAME)
    set(gz ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
        COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/${source} > ${gz}
        DEPENDS ${PROJECT_SOURCE_DIR}/${source})
    list(APPEND compressed ${gz})
endforeach()
add_custom_target(trelvic_compressed_docs ALL DEPENDS ${compressed})
list(POP_BACK compressed changelog_gz)
install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# bash-completion loads a command's completion from a file of its name.
foreach(tool Trelvic morvash)
    install(FILES completion/trelvic.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
            RENAME ${tool})
endforeach()
install(FILES ${changelog_gz} DESTINATION ${doc_dir})
install(FILES LICENSE docs/INTEGRATION.md DESTINATION ${doc_dir})

configure_package_config_file(cmake/TrelvicConfig.cmake.in
    ${PROJECT_BINARY_DIR}/TrelvicConfig.cmake INSTALL_DESTINATION ${package_dir})
# Host programs and CMake code only: any target architecture may use them.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TrelvicConfigVersion.cmake
    COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
# The functions need CMake 3.20: an older one is told so, and looks on.
file(APPEND ${PROJECT_BINARY_DIR}/TrelvicConfigVersion.cmake "
if(CMAKE_VERSION VERSION_LESS 3.20)
  set(PACKAGE_VERSION \"\${PACKAGE_VERSION} (needs CMake 3.20 or newer)\")
  set(PACKAGE_VERSION_UNSUITABLE TRUE)
endif()
")
install(FILES ${PROJECT_BINARY_DIR}/TrelvicConfig.cmake
              ${PROJECT_BINARY_DIR}/TrelvicConfigVersion.cmake
              cmake/TrelvicFunctions.cmake
              cmake/TrelvicConstants.cmake
        DESTINATION ${package_dir})

# Packages are made of this project alone, not of a build that takes it in.
if(NOT TRELVIC_TOP_LEVEL)
    return()
endif()

set(CPACK_PACKAGE_NAME trelvic)
set(CPACK_PACKAGE_VENDOR "The Trelvic authors")
set(CPACK_PACKAGE_CONTACT "The Trelvic authors <maintainers@trelvic.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn binary files into C headers")
set(CPACK_PACKAGE_DESCRIPTION
    "Two command-line tools that write binary files (firmware images, fonts,
keys, tables) as C header text, so that the data can be compiled into other
programs. Trelvic joins its inputs and writes one UINT8 gImgCode[] array with
CR LF line ends; morvash pads one input to whole 32-bit words and writes a
static const unsigned char array with its size and word sum. Both write
byte-exact, stable output and replace a header only with a whole one. CMake
functions add the headers to a build.")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/deb-files.cmake)
set(CPACK_TRELVIC_SOURCE_DIR ${PROJECT_SOURCE_DIR})
include(CPack)
