cmake_minimum_required(VERSION 3.20)
# Plays one shipped level through with the real program, headless, in a fresh copy of the
# built game folder (a finished run rewrites the level file with its top ten):
#   TOVI2: the game; GAME: the built game folder; KEYS: levels/<level>.keys; WORK: scratch
# The key script creates a player, picks the level in the menus and plays it; its line
# "# ticks: N" says how long the run lasts. The run must end in the level menu with a
# finishing time ("MM:SS:HH", "Best Time!" may follow), on the level the key script is named
# after.
get_filename_component(level "${KEYS}" NAME_WE)
file(STRINGS "${KEYS}" ticks_line REGEX "^# ticks: [0-9]+$")
if(NOT ticks_line)
  message(FATAL_ERROR "${KEYS} has no line \"# ticks: N\"")
endif()
string(REGEX REPLACE "^# ticks: " "" ticks "${ticks_line}")

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${GAME}" DESTINATION "${WORK}")
get_filename_component(game_name "${GAME}" NAME)
execute_process(
  COMMAND "${TOVI2}" --headless --dir "${WORK}/${game_name}" --ticks ${ticks} --keys "${KEYS}"
          --dump-state "${WORK}/state.json"
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${level}: the game ended with status ${rc}\n${err}")
endif()

file(READ "${WORK}/state.json" state)
string(JSON screen GET "${state}" screen)
string(JSON selected GET "${state}" selected_level)
string(JSON result GET "${state}" result_message)
string(JSON game_ticks GET "${state}" game_ticks)
get_filename_component(selected_name "${selected}" NAME_WE)
if(NOT selected_name STREQUAL level OR NOT screen STREQUAL "Level Menu"
   OR NOT result MATCHES "^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]( |$)")
  message(FATAL_ERROR "${level} was not finished: level \"${selected}\", screen \"${screen}\", "
                      "result \"${result}\" after ${game_ticks} ms of play")
endif()
file(REMOVE_RECURSE "${WORK}")
