list(APPEND TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/script_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/options_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/docs_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/monitor_session_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/live_view_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ways_out_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/one_shot_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/real_port_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/terminal_test.cpp
)
