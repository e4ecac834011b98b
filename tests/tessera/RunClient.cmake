# Runs a client of libTessera.so against a fresh catalogue:
#   cmake -DWORK=<folder> -DTOOL=<portico-create-catalogue> -DCLIENT="<command|args>" -P RunClient.cmake
# In CLIENT, "|" separates the arguments, and @CATALOGUE@ and @FOLDER@ stand for
# the new catalogue file and a picture folder. Per-user folders live under WORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/pictures ${WORK}/config ${WORK}/runtime)
set(ENV{XDG_CONFIG_HOME} ${WORK}/config)
set(ENV{XDG_RUNTIME_DIR} ${WORK}/runtime)

execute_process(COMMAND ${TOOL} ${WORK}/Portico.mdb RESULT_VARIABLE created)
if(NOT created EQUAL 0)
  message(FATAL_ERROR "cannot create the catalogue: ${created}")
endif()

string(REPLACE "|" ";" command "${CLIENT}")
string(REPLACE "@CATALOGUE@" "${WORK}/Portico.mdb" command "${command}")
string(REPLACE "@FOLDER@" "${WORK}/pictures" command "${command}")
execute_process(COMMAND ${command} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "client failed: ${result}")
endif()
