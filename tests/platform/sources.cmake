list(APPEND TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/apartment_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/endpoints_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/posix_serial_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/posix_faults_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/posix_ports_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rfc2217_test.cpp
)
