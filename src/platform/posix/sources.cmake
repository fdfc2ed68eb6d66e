# The Linux platform: the epoll loop, serial ports local and remote, stream
# endpoints.
set(TOVRAK_PLATFORM_POSIX_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/posix_loop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/posix_apartment.cpp
  ${CMAKE_CURRENT_LIST_DIR}/posix_serial.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rfc2217_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/telnet_session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stream_endpoints.cpp
)
