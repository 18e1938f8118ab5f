# Runs PROGRAM on CASE_DIR/input.txt inside WORK_DIR, answers the final key
# with an Enter, and compares every expected_*.txt of the case byte for byte.
# The exit status must be 0, or the number in expected_status.txt. Standard
# error must be empty unless the case expects something there. Options before
# the file names, one per line, come from arguments.txt where there is one.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(COPY ${CASE_DIR}/input.txt DESTINATION ${WORK_DIR})
file(WRITE ${WORK_DIR}/enter.txt "\n")

set(arguments)
if(EXISTS ${CASE_DIR}/arguments.txt)
  file(READ ${CASE_DIR}/arguments.txt arguments)  # the bytes as they are
  string(REGEX REPLACE "\n$" "" arguments "${arguments}")
  string(REPLACE "\n" ";" arguments "${arguments}")
endif()

execute_process(
  COMMAND ${PROGRAM} ${arguments} input.txt output.txt
  WORKING_DIRECTORY ${WORK_DIR}
  INPUT_FILE ${WORK_DIR}/enter.txt
  OUTPUT_FILE ${WORK_DIR}/stdout.txt
  ERROR_FILE ${WORK_DIR}/stderr.txt
  RESULT_VARIABLE status)

set(expected_status 0)
if(EXISTS ${CASE_DIR}/expected_status.txt)
  file(STRINGS ${CASE_DIR}/expected_status.txt expected_status LIMIT_COUNT 1)
endif()
if(NOT status STREQUAL expected_status)
  message(FATAL_ERROR "exit status ${status}, expected ${expected_status}")
endif()

# A case without expected_stderr.txt is well formed: nothing may be said about it.
if(NOT EXISTS ${CASE_DIR}/expected_stderr.txt)
  file(SIZE ${WORK_DIR}/stderr.txt stderr_size)
  if(NOT stderr_size EQUAL 0)
    message(FATAL_ERROR "standard error not empty (see ${WORK_DIR}/stderr.txt)")
  endif()
endif()

foreach(part output stdout stderr)
  if(EXISTS ${CASE_DIR}/expected_${part}.txt)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E compare_files ${CASE_DIR}/expected_${part}.txt
              ${WORK_DIR}/${part}.txt
      RESULT_VARIABLE differs)
    if(differs)
      message(FATAL_ERROR "${part} differs from ${CASE_DIR}/expected_${part}.txt "
                          "(see ${WORK_DIR}/${part}.txt)")
    endif()
  endif()
endforeach()
