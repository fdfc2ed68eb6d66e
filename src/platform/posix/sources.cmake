# The Linux platform: the epoll loop, serial ports local and remote.
set(TOVRAK_PLATFORM_POSIX_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/posix_loop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/posix_apartment.cpp
  ${CMAKE_CURRENT_LIST_DIR}/posix_serial.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tcp_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rfc2217_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/telnet_session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port_list.cpp
)
# What the Linux front ends need of the system beyond the component's
# platform (the library tovrak_endpoints, over the public API only).
set(TOVRAK_PLATFORM_ENDPOINTS_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/endpoints/pseudo_terminal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/endpoints/pty_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/endpoints/fd_connection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/endpoints/stream_endpoints.cpp
  ${CMAKE_CURRENT_LIST_DIR}/endpoints/listen_address.cpp
  ${CMAKE_CURRENT_LIST_DIR}/endpoints/stop_signals.cpp
)
