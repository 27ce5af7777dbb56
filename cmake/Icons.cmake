# Raster icons rendered at build time from the project's own SVG, for the
# desktop's icon theme, the window's own icon and the Windows .ico. Needs
# rsvg-convert (Debian's librsvg2-bin) on the build machine.

find_program(ADRECA_RSVG_CONVERT rsvg-convert REQUIRED)
set(ADRECA_ICON_SVG ${PROJECT_SOURCE_DIR}/data/io.github.adreca.AdrecaMac.svg)

# adreca_render_icons(<out-var> <folder> <size>...): one square PNG per size,
# <folder>/<size>.png, made when the SVG changes. <out-var> receives the paths
# in the order of the sizes; list them as a target's sources to have them made.
function(adreca_render_icons out_var folder)
  set(pngs)
  foreach(size IN LISTS ARGN)
    set(png ${folder}/${size}.png)
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND ${ADRECA_RSVG_CONVERT} --width=${size} --height=${size} --output=${png} ${ADRECA_ICON_SVG}
      DEPENDS ${ADRECA_ICON_SVG}
      COMMENT "Rendering the ${size} px icon"
      VERBATIM)
    list(APPEND pngs ${png})
  endforeach()
  set(${out_var} ${pngs} PARENT_SCOPE)
endfunction()
