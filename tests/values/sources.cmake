list(APPEND TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/numbers_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/variant_test.cpp
)
