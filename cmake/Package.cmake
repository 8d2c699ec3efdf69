# The Debian package: `cpack -G DEB` in the build folder makes vexmoor_<version>_<arch>.deb
# from the install rules (cmake/Install.cmake), under /usr, with the copyright file and a
# changelog of this release that Debian asks every package to carry.

# The changelog's date is the release date in the form Debian's changelogs use
# ("Sun, 06 Dec 2026"): its weekday is counted from the days since 1970-01-01, a Thursday.
function(vexmoor_changelog_date iso out)
  if(NOT iso MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
    message(FATAL_ERROR "VEXMOOR_RELEASE_DATE '${iso}' is not YYYY-MM-DD")
  endif()
  math(EXPR y "${CMAKE_MATCH_1}")
  math(EXPR m "1${CMAKE_MATCH_2} - 100")
  math(EXPR d "1${CMAKE_MATCH_3} - 100")
  # Days from the civil date, with the year starting in March so the leap day comes last.
  if(m LESS_EQUAL 2)
    math(EXPR y "${y} - 1")
  endif()
  math(EXPR era "${y} / 400")
  math(EXPR yoe "${y} - ${era} * 400")
  math(EXPR doy "(153 * ((${m} + 9) % 12) + 2) / 5 + ${d} - 1")
  math(EXPR days "${era} * 146097 + ${yoe} * 365 + ${yoe} / 4 - ${yoe} / 100 + ${doy} - 719468")
  math(EXPR weekday "(${days} + 4) % 7")
  math(EXPR month "${m} - 1")
  set(dayNames Sun Mon Tue Wed Thu Fri Sat)
  set(monthNames Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET dayNames ${weekday} dayName)
  list(GET monthNames ${month} monthName)
  set(${out} "${dayName}, ${CMAKE_MATCH_3} ${monthName} ${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

set(CPACK_PACKAGE_NAME vexmoor)
set(CPACK_PACKAGE_VENDOR "The Vexmoor team")
set(CPACK_PACKAGE_CONTACT "The Vexmoor team <vexmoor@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "snake game steered by the webcam or the arrow keys")
set(CPACK_PACKAGE_DESCRIPTION
    "Vexmoor is a snake game on a wrapping board, in five levels, with the best
scores kept with the players' names. The snake is steered with the arrow keys,
a gamepad, or by moving the webcam: the motion of the whole picture turns it.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Stripped as dh_strip does it, the compiler's notes included (cmake/StripPackage.cmake).
find_program(CPACK_VEXMOOR_STRIP NAMES strip REQUIRED)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/StripPackage.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/vexmoor/vexmoor)
# The libraries come from dpkg-shlibdeps; GStreamer's plugins are loaded at run time:
# videoconvert, videoscale, decodebin and appsrc (the test picture) from base, the camera's
# v4l2src, jpegdec and the demuxers of recorded videos from good; libav decodes more video
# formats. The faces "Times New Roman" and "Courier New" resolve to Liberation's.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gstreamer1.0-libav")

# Hardened as Debian builds its own programs: a read-only relocation table and checked
# string and memory calls (which need an optimised build). The program's libraries get the
# checks; the tests, which ignore some results on purpose, keep their plain calls.
target_link_options(vexmoor PRIVATE -Wl,-z,relro -Wl,-z,now)
get_property(programTargets DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
foreach(target ${programTargets})
  get_target_property(type ${target} TYPE)
  if(type MATCHES "^(STATIC_LIBRARY|EXECUTABLE)$")
    target_compile_definitions(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  endif()
endforeach()

vexmoor_changelog_date(${VEXMOOR_RELEASE_DATE} VEXMOOR_CHANGELOG_DATE)
set(doc ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
file(CONFIGURE OUTPUT ${VEXMOOR_GENERATED}/changelog
     CONTENT "vexmoor (@PROJECT_VERSION@) unstable; urgency=medium

  * Release @PROJECT_VERSION@.

 -- @CPACK_PACKAGE_CONTACT@  @VEXMOOR_CHANGELOG_DATE@ 12:00:00 +0000
" @ONLY)
vexmoor_gzip(${VEXMOOR_GENERATED}/changelog vexmoor_changelog)
install(FILES resources/debian/copyright ${VEXMOOR_GENERATED}/changelog.gz DESTINATION ${doc})

include(CPack)
