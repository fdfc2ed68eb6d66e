list(APPEND TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/apartment_contract_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix_apartment_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix_serial_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix_ports_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/rfc2217_test.cpp
)
