set(TOVRAK_PLATFORM_POSIX_SOURCES
  src/platform/posix/posix_loop.cpp
  src/platform/posix/posix_apartment.cpp
  src/platform/posix/posix_serial.cpp
  src/platform/posix/serial_link.cpp
  src/platform/posix/port_list.cpp
  src/platform/posix/stream_endpoints.cpp
)
