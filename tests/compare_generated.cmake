# Runs a generator script into OUTPUT and fails if OUTPUT differs from COMMITTED.
execute_process(COMMAND "${PYTHON}" "${SCRIPT}" --output "${OUTPUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SCRIPT} failed (${status})")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUTPUT}" "${COMMITTED}"
  RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "${COMMITTED} is not what ${SCRIPT} makes (see ${OUTPUT}); "
    "run the script and commit its output")
endif()
