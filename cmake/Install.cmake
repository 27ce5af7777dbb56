# Installation and the Debian package of the Linux build: the program, the
# command interpreter that it finds beside itself, and the desktop files.

include(GNUInstallDirs)

set(ADRECA_APP_ID io.github.adreca.AdrecaMac)

install(TARGETS adreca-mac RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET adreca-cmd)
  # platform::ProgramFolder() looks for it in the program's own folder.
  install(TARGETS adreca-cmd RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES data/${ADRECA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${ADRECA_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/${ADRECA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME adreca-mac)
set(CPACK_PACKAGE_VENDOR "adreca-mac")
set(CPACK_PACKAGE_CONTACT "adreca-mac maintainers <adreca-mac@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find the network adapter's physical address in five ways")
set(CPACK_PACKAGE_DESCRIPTION
    "ADREÇA MAC finds the physical (MAC) address of the computer's network adapter in five independent\n"
    "ways and shows the five results side by side in one window, so that the ways can be compared.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries are computed by dpkg-shlibdeps where it is installed
# (dpkg-dev); the list stands in for it elsewhere. Qt loads its platform
# plugins at run time, so no library dependency names them.
find_program(ADRECA_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ADRECA_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1 (>= 3.0), libmnl0 (>= 1.0.3), libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), qt6-qpa-plugins"
  )
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
include(CPack)
