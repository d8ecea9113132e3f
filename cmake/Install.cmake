# Where `cmake --install` puts the programs and the files that make Velmora a desktop program:
# the menu entry, the application icon, the AppStream description, the file types it opens and
# the command line tool's manual page. The installed program recognises its own layout by the menu
# entry beside its "bin" folder and then keeps its files in the XDG folders.
include(GNUInstallDirs)
set(VELMORA_APP_ID org.velmora.Velmora)
set(VELMORA_ICON_SIZES 16 24 32 48 64 128 256)
set(VELMORA_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/resources/desktop)

install(TARGETS velmora-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VELMORA_DESKTOP_DIR}/velmora-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(VELMORA_GUI)
  install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${VELMORA_DESKTOP_DIR}/${VELMORA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${VELMORA_DESKTOP_DIR}/${VELMORA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${VELMORA_DESKTOP_DIR}/${VELMORA_APP_ID}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/velmora.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${VELMORA_APP_ID}.svg)
  foreach(size IN LISTS VELMORA_ICON_SIZES)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/hicolor/${size}x${size}/velmora.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${VELMORA_APP_ID}.png)
  endforeach()
endif()

# `cpack -G DEB` in the build folder makes a Debian package of the installed files, with the
# libraries it needs found by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora developers <velmora@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Manager for recorded Quake III Arena demos")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Velmora finds the demos that Quake III Arena, ioquake3 and OpenArena record, in folders and "
       "inside pk3 and zip archives, reads each one without starting the game, keeps notes per demo "
       "and per player, and plays lists of demos in one run of the game.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its display plugins (X11, Wayland) in a package of their own, and the SVG icon engine
# that draws the command pictures is a plugin too; dpkg-shlibdeps sees neither. The engine is in
# libqt6svg6 on Debian 12 and in qt6-svg-plugins on later releases (where libqt6svg6 no longer
# holds it): the package depends on the one that holds it where it is built.
set(VELMORA_SVG_PLUGIN_PACKAGE libqt6svg6)
find_program(VELMORA_DPKG_QUERY dpkg-query)
if(VELMORA_DPKG_QUERY)
  execute_process(COMMAND ${VELMORA_DPKG_QUERY} -S "*/qt6/plugins/iconengines/libqsvgicon.so"
                  OUTPUT_VARIABLE VELMORA_SVG_PLUGIN_OWNER ERROR_QUIET RESULT_VARIABLE VELMORA_SVG_PLUGIN_FOUND)
  if(VELMORA_SVG_PLUGIN_FOUND EQUAL 0 AND VELMORA_SVG_PLUGIN_OWNER MATCHES "^([^:,]+)")
    set(VELMORA_SVG_PLUGIN_PACKAGE ${CMAKE_MATCH_1})
  endif()
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, ${VELMORA_SVG_PLUGIN_PACKAGE}")
set(CPACK_STRIP_FILES ON)
# The game itself is outside the package: any of the engines plays the demos.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ioquake3 | openarena")
# "Export video..." films with the engine on a hidden X server and encodes with ffmpeg; without
# them it says what to install.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "openarena, ffmpeg, xvfb")
set(CPACK_GENERATOR DEB)
include(CPack)
