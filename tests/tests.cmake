set(TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/values/numbers_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/values/variant_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/virtual_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/component/lifecycle_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/component/accessors_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/component/dispatch_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/hosts/script_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/hosts/options_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/hosts/monitor_session_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/hosts/pty_integration_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/hosts/remote_radio_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/link/send_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/link/port_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/answers/framing_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/answers/decoders_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/polling/polling_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/forms/control_panel_test.cpp
)

# Lists kept beside the areas they test.
include(${CMAKE_CURRENT_SOURCE_DIR}/platform/posix.cmake OPTIONAL)
include(${CMAKE_CURRENT_SOURCE_DIR}/sim/sim.cmake OPTIONAL)
include(${CMAKE_CURRENT_SOURCE_DIR}/commands/commands.cmake OPTIONAL)
include(${CMAKE_CURRENT_SOURCE_DIR}/soak/soak.cmake OPTIONAL)
include(${CMAKE_CURRENT_SOURCE_DIR}/share/share.cmake OPTIONAL)
