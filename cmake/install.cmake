# The installed tree (cmake --install BUILD --prefix P, or make install):
#   P/bin/vortwing                      the program
#   P/share/vortwing/                   its data, found as ../share/vortwing beside the program
#   P/share/applications/ID.desktop     the desktop entry
#   P/share/metainfo/ID.metainfo.xml    AppStream metadata
#   P/share/icons/hicolor/NxN/apps/ID.png
# Results are never installed: each player's live in their own data directory.
# The layout is fixed (not GNUInstallDirs) because the program finds its data
# by that relative path.
set(VORTWING_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
configure_file(${CMAKE_SOURCE_DIR}/dist/vortwing.desktop.in ${VORTWING_DIST_DIR}/${VORTWING_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/dist/vortwing.metainfo.xml.in ${VORTWING_DIST_DIR}/${VORTWING_APP_ID}.metainfo.xml
               @ONLY)

install(TARGETS vortwing RUNTIME DESTINATION bin)
# An earlier version kept results in the data directory: they stay out.
install(DIRECTORY ${VORTWING_DATA_DIR}/ DESTINATION share/vortwing
        PATTERN GlobalData EXCLUDE
        PATTERN "*.tmp" EXCLUDE)
install(FILES ${VORTWING_DIST_DIR}/${VORTWING_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${VORTWING_DIST_DIR}/${VORTWING_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(DIRECTORY ${VORTWING_ICON_DIR}/hicolor DESTINATION share/icons)
