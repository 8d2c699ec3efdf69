# What `cmake --install` puts on a desktop: the program, its menu entry and icons, the
# software centre's description and the manual page. The version and release date of
# CMakeLists.txt are filled into the metainfo and the manual page here.

include(GNUInstallDirs)
set(VEXMOOR_APP_ID io.github.vexmoor.Vexmoor)
set(VEXMOOR_GENERATED ${CMAKE_BINARY_DIR}/generated)

# Games live in <prefix>/games, which Debian's users have on their PATH; other systems may
# choose bin.
set(VEXMOOR_INSTALL_BINDIR games CACHE STRING "Where the program is installed, under the prefix")
install(TARGETS vexmoor RUNTIME DESTINATION ${VEXMOOR_INSTALL_BINDIR})
install(FILES resources/${VEXMOOR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The icons are drawn at each size by tools/make_bitmaps.py and kept in the repository.
foreach(size 48 64 128 256)
  install(FILES resources/icons/${size}x${size}.png RENAME ${VEXMOOR_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES resources/icons/scalable.svg RENAME ${VEXMOOR_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

configure_file(resources/${VEXMOOR_APP_ID}.metainfo.xml.in ${VEXMOOR_GENERATED}/${VEXMOOR_APP_ID}.metainfo.xml
               @ONLY)
install(FILES ${VEXMOOR_GENERATED}/${VEXMOOR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages are kept compressed; -n leaves the file's name and time out, so the same page
# always gives the same bytes.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
function(vexmoor_gzip source target)
  add_custom_command(
    OUTPUT ${source}.gz
    COMMAND ${GZIP_EXECUTABLE} -9 -n -k -f ${source}
    DEPENDS ${source}
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${source}.gz)
endfunction()

configure_file(resources/vexmoor.6.in ${VEXMOOR_GENERATED}/vexmoor.6 @ONLY)
vexmoor_gzip(${VEXMOOR_GENERATED}/vexmoor.6 vexmoor_manual)
install(FILES ${VEXMOOR_GENERATED}/vexmoor.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
