# SPDX-License-Identifier: GPL-3.0-or-later
# The program's icon in PNG sizes, drawn by the build from desktop/wexly.svg
# (rsvg-convert, Debian package librsvg2-bin): nothing drawn is committed.
# The PNGs become the windows' icon (resource :/icons/wexly-SIZE.png of
# wexly_ui) and are installed beside the SVG for the desktop's menu.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

set(WEXLY_ICON_SVG "${CMAKE_SOURCE_DIR}/desktop/wexly.svg")
set(WEXLY_ICON_SIZES 48 128 256)
set(WEXLY_ICON_DIR "${CMAKE_BINARY_DIR}/icons")
set(WEXLY_ICON_PNGS)
foreach(size IN LISTS WEXLY_ICON_SIZES)
  set(png "${WEXLY_ICON_DIR}/wexly-${size}.png")
  add_custom_command(OUTPUT "${png}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${WEXLY_ICON_DIR}"
    COMMAND "${RSVG_CONVERT}" --width ${size} --height ${size} --output "${png}" "${WEXLY_ICON_SVG}"
    DEPENDS "${WEXLY_ICON_SVG}"
    COMMENT "Drawing the ${size} pixel icon"
    VERBATIM)
  list(APPEND WEXLY_ICON_PNGS "${png}")
endforeach()

qt_add_resources(wexly_ui wexly_icons PREFIX "/icons" BASE "${WEXLY_ICON_DIR}" FILES ${WEXLY_ICON_PNGS})
