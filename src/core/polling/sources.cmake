# Polling: timers and poll sequences.
list(APPEND TOVRAK_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/scheduler.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sequences.cpp
)
