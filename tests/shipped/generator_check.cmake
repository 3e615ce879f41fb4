# Runs the train generator on a copy of the sample's source and fails unless it writes exactly
# the generated files that are kept in the source (so they were neither edited by hand nor made
# by a generator that no longer gives the same output).
file(REMOVE_RECURSE "${WORK}")
file(COPY "${SOURCE}/" DESTINATION "${WORK}")
file(REMOVE "${WORK}/trains/gen_local.txt" "${WORK}/trains/gen_long.txt")
execute_process(COMMAND "${PYTHON}" "${GENERATOR}" "${WORK}" RESULT_VARIABLE status
                OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the generator failed (${status}): ${output}${errors}")
endif()
foreach(name gen_local.txt gen_long.txt)
  file(READ "${SOURCE}/trains/${name}" kept)
  file(READ "${WORK}/trains/${name}" made)
  if(NOT kept STREQUAL made)
    message(FATAL_ERROR "trains/${name} differs from what the generator writes; rerun "
                        "tools/timetable-build/generate_trains.py")
  endif()
endforeach()
message(STATUS "the generator reproduces the kept train files: ${output}")
