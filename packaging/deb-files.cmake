# Run by CPack as it stages a package: the .deb alone gets the licence under
# Debian's name for it, and the lintian overrides.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(share "${CPACK_PACKAGING_INSTALL_PREFIX}/share")
    file(INSTALL "${CPACK_TRELVIC_SOURCE_DIR}/LICENSE" DESTINATION "${share}/doc/trelvic"
         RENAME copyright)
    file(INSTALL "${CPACK_TRELVIC_SOURCE_DIR}/packaging/lintian-overrides"
         DESTINATION "${share}/lintian/overrides" RENAME trelvic)
endif()
