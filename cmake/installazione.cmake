# Where `cmake --install` puts the program, and the Debian package made of it (`cpack`).
include(GNUInstallDirs)

set(CUSTODEX_DATI ${CMAKE_SOURCE_DIR}/installazione)
set(CUSTODEX_RISORSE ${CMAKE_SOURCE_DIR}/sorgente/app/risorse)

install(TARGETS custodex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CUSTODEX_DATI}/${CUSTODEX_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CUSTODEX_DATI}/${CUSTODEX_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CUSTODEX_DATI}/${CUSTODEX_ID}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# The same bitmaps the program's windows show (latiIcona in app/icona.h), and the picture they
# were drawn from for every other size.
foreach(lato 16 32 48 64 128 256)
  install(FILES ${CUSTODEX_RISORSE}/custodex${lato}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${lato}x${lato}/apps
    RENAME ${CUSTODEX_ID}.png)
endforeach()
install(FILES ${CUSTODEX_RISORSE}/custodex.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${CUSTODEX_ID}.svg)

# Debian wants the manual page and the package's change log compressed, and the same bytes
# from every build (no name or time in the gzip header).
set(CUSTODEX_COMPRESSI)
foreach(file custodex.1 changelog.Debian)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${file}.gz
    COMMAND gzip -9 -n -c ${CUSTODEX_DATI}/${file} > ${CMAKE_BINARY_DIR}/${file}.gz
    DEPENDS ${CUSTODEX_DATI}/${file} VERBATIM)
  list(APPEND CUSTODEX_COMPRESSI ${CMAKE_BINARY_DIR}/${file}.gz)
endforeach()
add_custom_target(custodex_documenti ALL DEPENDS ${CUSTODEX_COMPRESSI})
install(FILES ${CMAKE_BINARY_DIR}/custodex.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/changelog.Debian.gz ${CUSTODEX_DATI}/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME custodex)
set(CPACK_PACKAGE_VENDOR "The Custodex developers")
set(CPACK_PACKAGE_CONTACT "Custodex developers <sviluppo@custodex.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "password keeper with encrypted lists")
set(CPACK_PACKAGE_DESCRIPTION
  "Custodex keeps a list of passwords, each with a name, a user name and a\n"
  "description, shown as a tree. The list is saved to a file enciphered\n"
  "under a secret key (Argon2id and XChaCha20-Poly1305), which is asked\n"
  "for at every save and every load and never stored. Its user interface\n"
  "is in Italian.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://custodex.org/)
# The libraries' packages, as dpkg-shlibdeps finds them from the program itself; the window
# system's plug-in is loaded at run time, so no library names it. Qt's own texts in Italian, the
# metric-compatible fonts and the Italian word list (the generator's passphrases) are welcome but
# not needed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-liberation, witalian")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
