set(TOVRAK_BENCH_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/alloc_count.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/dispatch_bench.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/decode_bench.cpp
)
include(${CMAKE_CURRENT_SOURCE_DIR}/posix.cmake OPTIONAL)
