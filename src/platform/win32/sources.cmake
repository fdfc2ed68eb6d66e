# The Windows platform: the apartment on a hidden message-only window, window
# timers, and the serial control over the Win32 communications API.
set(TOVRAK_PLATFORM_WIN32_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/win32_apartment.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_serial.cpp
)
