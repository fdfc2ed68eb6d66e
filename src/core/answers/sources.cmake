# The radio's answers: framing, decoders, consolidation.
list(APPEND TOVRAK_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/read_buffer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/consolidate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/character_codes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frequency_answers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/receiver_answers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transmitter_answers.cpp
)
