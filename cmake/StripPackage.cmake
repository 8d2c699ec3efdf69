# Run by CPack on the staged install before it is packed: strips the program of its symbols
# and of the compiler's .comment and .note sections, which an installed program has no use for.
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/games/vexmoor")
if(NOT programs)
  message(FATAL_ERROR "StripPackage: no program under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(program ${programs})
  execute_process(COMMAND ${CPACK_VEXMOOR_STRIP} --remove-section=.comment --remove-section=.note ${program}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
