# The catalogue tool from the command line:
#   cmake -DWORK=<folder> -DTOOL=<portico-create-catalogue> -P CreateCatalogueTool.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(run expected_status)
  execute_process(COMMAND ${TOOL} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "${TOOL} ${ARGN}: status ${status}, expected ${expected_status}\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

foreach(help --help -h)
  run(0 ${help})
  if(NOT out MATCHES "^usage: .* FILE\n")
    message(FATAL_ERROR "${help} printed no usage: ${out}")
  endif()
  if(EXISTS ${WORK}/${help})
    message(FATAL_ERROR "${help} made a file")
  endif()
endforeach()

foreach(option --verbose -x --)
  run(2 ${option})
  if(NOT err MATCHES "usage: ")
    message(FATAL_ERROR "${option}: no usage on stderr: ${err}")
  endif()
  if(EXISTS ${WORK}/${option})
    message(FATAL_ERROR "${option} made a file")
  endif()
endforeach()

run(2)
run(2 a.mdb b.mdb)

run(0 ./-dash.mdb)
run(0 new.mdb)
if(NOT EXISTS ${WORK}/new.mdb OR NOT EXISTS ${WORK}/-dash.mdb)
  message(FATAL_ERROR "no catalogue made")
endif()
run(1 new.mdb)
