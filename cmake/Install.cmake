# Installation of the Linux build: the window program, the console report,
# the command interpreter that both find beside themselves, their manual pages,
# and the desktop files with the icons. The Debian packages are made from this
# installation by debian/ (dpkg-buildpackage), which splits it in two and adds
# the copyright file and the changelog.

include(GNUInstallDirs)

set(ADRECA_APP_ID io.github.adreca.AdrecaMac)

install(TARGETS adreca-mac adreca-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET adreca-cmd)
  # platform::ProgramFolder() looks for it in the program's own folder.
  install(TARGETS adreca-cmd RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# A stripped installation (cmake --install --strip) also drops the compiler's
# .comment section, as dh_strip does in the Debian packages' build.
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
