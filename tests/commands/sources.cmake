list(APPEND TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/vfo_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mode_filter_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/memory_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/receiver_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transmitter_test.cpp
)
