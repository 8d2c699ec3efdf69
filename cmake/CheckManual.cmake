# The manual page names exactly the options that `vexmoor --help` prints: fails on an option
# either one lacks, so the page cannot drift from the program.
#   cmake -DPROGRAM=<vexmoor> -DMANUAL=<vexmoor.6> -P cmake/CheckManual.cmake

cmake_minimum_required(VERSION 3.20)

execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "CheckManual: ${PROGRAM} --help failed (${result})")
endif()
file(READ ${MANUAL} manual)
# The page writes each hyphen of an option as \-.
string(REPLACE "\\-" "-" manual "${manual}")

function(options text out)
  string(REGEX MATCHALL "(^|[ ,(])--?[a-z][a-z-]*" found "${text}")
  set(result "")
  foreach(option ${found})
    string(REGEX REPLACE "^[ ,(]" "" option "${option}")
    list(APPEND result ${option})
  endforeach()
  list(REMOVE_DUPLICATES result)
  list(SORT result)
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Only the OPTIONS section of the page lists options; the rest may mention them in passing.
string(REGEX MATCH "\n\\.SH OPTIONS\n(.*)\n\\.SH KEYS" section "${manual}")
string(REGEX REPLACE "\n\\.[A-Z]+ " "\n " section "${CMAKE_MATCH_1}")
options("${help}" helpOptions)
options("${section}" manualOptions)
set(failures 0)
# Counts into failures each option of list `from` that `to` lacks.
macro(report_missing from inFrom to inTo)
  foreach(option ${${from}})
    if(NOT option IN_LIST ${to})
      message("CheckManual: ${option} is in ${inFrom} but not in ${inTo}")
      math(EXPR failures "${failures} + 1")
    endif()
  endforeach()
endmacro()
report_missing(helpOptions "--help" manualOptions "the manual page")
report_missing(manualOptions "the manual page" helpOptions "--help")
if(failures GREATER 0 OR NOT helpOptions)
  message(FATAL_ERROR "CheckManual: the manual page and --help disagree")
endif()
message("CheckManual: ${helpOptions}")
