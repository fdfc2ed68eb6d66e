list(APPEND TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/share_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/share_hostile_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/share_host_test.cpp
)
