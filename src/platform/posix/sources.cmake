set(TOVRAK_PLATFORM_POSIX_SOURCES
  src/platform/posix/posix_apartment.cpp
)
