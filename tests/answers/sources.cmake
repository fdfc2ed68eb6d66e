list(APPEND TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/framing_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frequency_answers_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_answers_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/consolidate_test.cpp
)
