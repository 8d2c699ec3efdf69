# Checks the include fence (cmake/CheckIncludes.cmake) whenever a source file changes; every
# library waits for it, so a wrong include fails the build before anything compiles.
file(GLOB_RECURSE fence_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/base/*.[ch]*
     ${CMAKE_SOURCE_DIR}/app/*.[ch]* ${CMAKE_SOURCE_DIR}/game/*.[ch]* ${CMAKE_SOURCE_DIR}/scores/*.[ch]*
     ${CMAKE_SOURCE_DIR}/ui/*.[ch]* ${CMAKE_SOURCE_DIR}/motion/*.[ch]* ${CMAKE_SOURCE_DIR}/capture/*.[ch]*
     ${CMAKE_SOURCE_DIR}/state/*.[ch]* ${CMAKE_SOURCE_DIR}/resources/*.[ch]*
     ${CMAKE_SOURCE_DIR}/platform/*.[ch]*)
set(fence_stamp ${CMAKE_BINARY_DIR}/include_fence.stamp)
add_custom_command(
  OUTPUT ${fence_stamp}
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/CheckIncludes.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${fence_stamp}
  DEPENDS ${fence_sources} ${CMAKE_SOURCE_DIR}/cmake/CheckIncludes.cmake
  COMMENT "Checking the include fence"
  VERBATIM)
add_custom_target(include_fence ALL DEPENDS ${fence_stamp})
foreach(layer base platform resources tracker capture state ui trail scores game app)
  add_dependencies(vexmoor_${layer} include_fence)
endforeach()
