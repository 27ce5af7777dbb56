# Manual pages: one file per page in man/, <name>.<section>.scd, written in
# scdoc's markup (Debian's scdoc). Each becomes a roff page compressed as
# Debian wants it (gzip -9n: no name, no time stamp), installed into its
# section's folder. A new page needs nothing but its file in man/.

find_program(ADRECA_SCDOC scdoc REQUIRED)
find_program(ADRECA_GZIP gzip REQUIRED)
find_program(ADRECA_SH sh REQUIRED)

file(GLOB ADRECA_MANUAL_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/man/*.scd)
set(ADRECA_MANUAL_PAGES)
foreach(source IN LISTS ADRECA_MANUAL_SOURCES)
  get_filename_component(page ${source} NAME_WLE)
  if(NOT page MATCHES "\\.([1-9])$")
    message(FATAL_ERROR "${source}: a manual page's name ends in its section, as in name.1.scd")
  endif()
  set(section ${CMAKE_MATCH_1})
  set(roff ${CMAKE_BINARY_DIR}/man/${page})
  add_custom_command(
    OUTPUT ${roff}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${ADRECA_SH} -c "\"$1\" <\"$2\" >\"$3\"" sh ${ADRECA_SCDOC} ${source} ${roff}
    COMMAND ${ADRECA_GZIP} -9nf ${roff}
    DEPENDS ${source}
    COMMENT "Making the manual page ${page}"
    VERBATIM)
  install(FILES ${roff}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
  list(APPEND ADRECA_MANUAL_PAGES ${roff}.gz)
endforeach()
add_custom_target(adreca_manual_pages ALL DEPENDS ${ADRECA_MANUAL_PAGES})
