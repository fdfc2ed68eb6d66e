list(APPEND TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/control_panel_test.cpp
)
