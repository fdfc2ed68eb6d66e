list(APPEND TOVRAK_BENCH_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/posix_idle_bench.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/latency_bench.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/idle_bench.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/timing_bench.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/share_bench.cpp
)
