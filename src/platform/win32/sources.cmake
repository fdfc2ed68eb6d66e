# The Windows platform: the apartment on a hidden message-only window, window
# timers, and the serial control over the Win32 communications API.
set(TOVRAK_PLATFORM_WIN32_SOURCES
  src/platform/win32/win32_apartment.cpp
  src/platform/win32/win32_serial.cpp
)
