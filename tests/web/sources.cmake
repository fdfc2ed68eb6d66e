list(APPEND TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/page_messages_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page_hub_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/web_server_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/web_options_test.cpp
)
