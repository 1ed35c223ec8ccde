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
