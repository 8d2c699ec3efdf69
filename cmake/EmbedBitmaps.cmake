# Builds every resources/bitmaps/<id>_<name>.bmp into the executable as bitmap <id>.
file(GLOB VEXMOOR_BITMAPS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/bitmaps/*.bmp)
list(SORT VEXMOOR_BITMAPS)
set(VEXMOOR_BITMAP_SOURCE ${CMAKE_BINARY_DIR}/generated/embedded_bitmaps.cpp)
add_custom_command(
  OUTPUT ${VEXMOOR_BITMAP_SOURCE}
  COMMAND ${CMAKE_COMMAND} -DOUT=${VEXMOOR_BITMAP_SOURCE} "-DFILES=${VEXMOOR_BITMAPS}"
          -P ${CMAKE_SOURCE_DIR}/cmake/WriteEmbeddedBitmaps.cmake
  DEPENDS ${VEXMOOR_BITMAPS} ${CMAKE_SOURCE_DIR}/cmake/WriteEmbeddedBitmaps.cmake
  COMMENT "Embedding bitmaps"
  VERBATIM)
