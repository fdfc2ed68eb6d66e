list(APPEND TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/commands/frequency_digits_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/commands/vfo_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/commands/mode_filter_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/commands/widths_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/commands/memory_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/commands/receiver_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/commands/transmitter_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/commands/setup_test.cpp
)
