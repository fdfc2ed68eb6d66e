# The virtual platform: virtual clock and serial line.
set(TOVRAK_PLATFORM_VIRTUAL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/virtual_apartment.cpp
)
