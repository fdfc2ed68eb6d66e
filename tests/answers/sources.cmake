list(APPEND TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/framing_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decoders_test.cpp
)
