# The radio layer: the radio's command table, modes, bands and state, and the
# one parser and formatter of its texts; the standard library only. The core
# compiles these sources into itself too (hidden in the shared library), so
# the tovrak library stays whole; the front ends link tovrak_radio.
set(TOVRAK_RADIO_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/digits.cpp
  ${CMAKE_CURRENT_LIST_DIR}/modes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/parse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/format.cpp
)
list(APPEND TOVRAK_CORE_SOURCES ${TOVRAK_RADIO_SOURCES})
