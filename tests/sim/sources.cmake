list(APPEND TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/answers_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/radio_life_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/link_test.cpp
)
