# Runs tovi2-tool once and checks its exit status and output.
#   TOOL: the program; ARGS: its arguments separated by "|"
#   RC: the expected exit status
#   OUT: a file that standard output must equal, or
#   DEEP: a nesting depth; a file of that many "<a>" lines is made first (its path
#         replaces @DEEP_FILE@ in ARGS) and the dump must show every level
#   ERR: text that standard error must equal (without the final newline)
string(REPLACE "|" ";" args "${ARGS}")
if(DEFINED DEEP)
  set(deep_file "${WORK_DIR}/deep_${DEEP}.dat")
  string(REPEAT "<a>\r\n" ${DEEP} content)
  file(WRITE "${deep_file}" "${content}")
  string(REPLACE "@DEEP_FILE@" "${deep_file}" args "${args}")
endif()

execute_process(COMMAND ${TOOL} ${args}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)

if(NOT rc EQUAL RC)
  message(FATAL_ERROR "exit status ${rc}, expected ${RC}; stderr: ${err}")
endif()
if(DEFINED OUT)
  file(READ "${OUT}" expected)
  if(NOT out STREQUAL expected)
    message(FATAL_ERROR "output differs from ${OUT}:\n${out}")
  endif()
endif()
if(DEFINED DEEP)
  set(block "{\"name\":\"a\",\"text\":false,\"lines\":[],\"params\":[],\"blocks\":[")
  string(REPEAT "${block}" ${DEEP} opens)
  math(EXPR closes_count "${DEEP} + 1")
  string(REPEAT "]}" ${closes_count} closes)
  set(expected "{\"name\":\"\",\"text\":false,\"lines\":[],\"params\":[],\"blocks\":[${opens}${closes}\n")
  if(NOT out STREQUAL expected)
    message(FATAL_ERROR "deep dump differs from the expected nesting")
  endif()
endif()
if(DEFINED ERR)
  string(STRIP "${err}" err)
  if(NOT err STREQUAL ERR)
    message(FATAL_ERROR "stderr \"${err}\", expected \"${ERR}\"")
  endif()
endif()
