# What every platform shares.
set(TOVRAK_PLATFORM_COMMON_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/serial_errors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/timer_queue.cpp
)
