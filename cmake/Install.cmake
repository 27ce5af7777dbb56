# Installation and the Debian package of the Linux build: the window program,
# the console report, the command interpreter that both find beside
# themselves, their manual pages, the
# desktop files with the icons, and the package's copyright and changelog.

include(GNUInstallDirs)

set(ADRECA_APP_ID io.github.adreca.AdrecaMac)
# The project's own contact: the identity of its commits, under a reserved
# example domain (it has no web site or mail domain of its own).
set(ADRECA_MAINTAINER "adreca-mac maintainers <maintainers@users.noreply.c-seed-59fb8973.example>")

install(TARGETS adreca-mac adreca-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET adreca-cmd)
  # platform::ProgramFolder() looks for it in the program's own folder.
  install(TARGETS adreca-cmd RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# A stripped installation, as the package's, also drops the compiler's
# .comment section, as Debian's own packages do (dh_strip).
foreach(program adreca-mac adreca-report adreca-cmd)
  if(TARGET ${program})
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\"
                        COMMAND_ERROR_IS_FATAL ANY)
      endif()")
  endif()
endforeach()
include(cmake/Manuals.cmake)

install(FILES data/${ADRECA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${ADRECA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/${ADRECA_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size png IN ZIP_LISTS ADRECA_ICON_SIZES ADRECA_ICON_PNGS)
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${ADRECA_APP_ID}.png)
endforeach()

# Debian's documentation files: the machine-readable copyright file, and the
# changelog compressed as Debian wants it.
set(ADRECA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${PROJECT_NAME})
set(ADRECA_CHANGELOG ${CMAKE_BINARY_DIR}/doc/changelog)
add_custom_command(
  OUTPUT ${ADRECA_CHANGELOG}.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/debian/changelog ${ADRECA_CHANGELOG}
  COMMAND ${ADRECA_GZIP} -9nf ${ADRECA_CHANGELOG}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
  COMMENT "Compressing the Debian changelog"
  VERBATIM)
add_custom_target(adreca_changelog ALL DEPENDS ${ADRECA_CHANGELOG}.gz)
install(FILES ${ADRECA_CHANGELOG}.gz packaging/debian/copyright DESTINATION ${ADRECA_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME adreca-mac)
set(CPACK_PACKAGE_VENDOR "the adreca-mac authors")
set(CPACK_PACKAGE_CONTACT "${ADRECA_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find the network adapter's physical address in five ways")
# Debian wants the lines of the long description within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "ADREÇA MAC finds the physical (MAC) address of the computer's network\n"
    "adapter in five independent ways and shows the five results side by side\n"
    "in one window, so that the ways can be compared on one machine: the\n"
    "management service's query, the ipconfig /all listing, the workstation\n"
    "service's transports, the NetBIOS adapter status and the IP helper's\n"
    "adapter table.\n"
    "\n"
    "It is a Windows utility at heart. On Linux its own stand-ins answer the\n"
    "five ways from the machine's real adapters, and adreca-cmd answers the\n"
    "command interpreter's part.\n"
    "\n"
    "For support staff, administrators and developers of licensing and\n"
    "inventory tools.")
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
# The package's folders are 0755 whatever the umask of whoever builds it:
# cpack would otherwise make them in its staging tree with that umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)
include(CPack)
