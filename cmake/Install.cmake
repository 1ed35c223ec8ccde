# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts under the prefix. The program finds its installed
# defaults as ../share/wexly/ from its own folder (common/ProgramLocation.cpp), so
# the executable goes to bin/ and the defaults to share/wexly/ under any prefix.
install(TARGETS wexly RUNTIME DESTINATION bin)
install(FILES
  "${CMAKE_SOURCE_DIR}/resources/config.ini"
  "${CMAKE_SOURCE_DIR}/resources/help.xml"
  "${CMAKE_SOURCE_DIR}/store/schema.sql"
  DESTINATION share/wexly)

# The desktop's menu entry, its icon and the software centre's description.
set(WEXLY_APPSTREAM_ID example.orvik.wexly)
install(FILES "${CMAKE_SOURCE_DIR}/desktop/wexly.desktop" DESTINATION share/applications)
install(FILES "${CMAKE_SOURCE_DIR}/desktop/${WEXLY_APPSTREAM_ID}.metainfo.xml" DESTINATION share/metainfo)
install(FILES "${WEXLY_ICON_SVG}" DESTINATION share/icons/hicolor/scalable/apps)
foreach(size IN LISTS WEXLY_ICON_SIZES)
  install(FILES "${WEXLY_ICON_DIR}/wexly-${size}.png"
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME wexly.png)
endforeach()

# The manual pages, the licence and the changelog. Manual pages and the
# changelog are compressed without a name or time stamp (gzip -9n), so a
# rebuild gives the same bytes. wexly-cli's page is made from its --help and
# --version (help2man), so it always lists the commands it has; the window
# program takes no options, and its page is written by hand.
include(GNUInstallDirs)
find_program(GZIP gzip REQUIRED)
find_program(HELP2MAN help2man REQUIRED)
set(WEXLY_MAN_DIR "${CMAKE_BINARY_DIR}/man")
configure_file("${CMAKE_SOURCE_DIR}/packaging/wexly.1" "${CMAKE_BINARY_DIR}/packaging/wexly.1" @ONLY)
add_custom_command(OUTPUT "${WEXLY_MAN_DIR}/wexly.1.gz"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${WEXLY_MAN_DIR}"
  COMMAND ${CMAKE_COMMAND} -E copy "${CMAKE_BINARY_DIR}/packaging/wexly.1" "${WEXLY_MAN_DIR}/wexly.1"
  COMMAND "${GZIP}" -9nf "${WEXLY_MAN_DIR}/wexly.1"
  DEPENDS "${CMAKE_BINARY_DIR}/packaging/wexly.1"
  VERBATIM)
# A sanitizer build's leak report at exit would fail the build.
add_custom_command(OUTPUT "${WEXLY_MAN_DIR}/wexly-cli.1.gz"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${WEXLY_MAN_DIR}"
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          "${HELP2MAN}" --no-info --section=1 --include "${CMAKE_SOURCE_DIR}/packaging/wexly-cli.h2m"
          --output "${WEXLY_MAN_DIR}/wexly-cli.1" "$<TARGET_FILE:wexly-cli>"
  COMMAND "${GZIP}" -9nf "${WEXLY_MAN_DIR}/wexly-cli.1"
  DEPENDS wexly-cli "${CMAKE_SOURCE_DIR}/packaging/wexly-cli.h2m"
  COMMENT "Writing the manual page of wexly-cli"
  VERBATIM)
add_custom_command(OUTPUT "${CMAKE_BINARY_DIR}/packaging/changelog.gz"
  COMMAND ${CMAKE_COMMAND} -E copy "${CMAKE_SOURCE_DIR}/packaging/changelog" "${CMAKE_BINARY_DIR}/packaging/changelog"
  COMMAND "${GZIP}" -9nf "${CMAKE_BINARY_DIR}/packaging/changelog"
  DEPENDS "${CMAKE_SOURCE_DIR}/packaging/changelog"
  VERBATIM)
add_custom_target(documents ALL
  DEPENDS "${WEXLY_MAN_DIR}/wexly.1.gz" "${WEXLY_MAN_DIR}/wexly-cli.1.gz" "${CMAKE_BINARY_DIR}/packaging/changelog.gz")
install(FILES "${WEXLY_MAN_DIR}/wexly.1.gz" "${WEXLY_MAN_DIR}/wexly-cli.1.gz"
        DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${CMAKE_SOURCE_DIR}/packaging/copyright" "${CMAKE_BINARY_DIR}/packaging/changelog.gz"
        DESTINATION "${CMAKE_INSTALL_DOCDIR}")
