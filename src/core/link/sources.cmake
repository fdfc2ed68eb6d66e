# The serial link: the port and timers, opening the port, sending, commands.
list(APPEND TOVRAK_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/port_and_timers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port.cpp
  ${CMAKE_CURRENT_LIST_DIR}/send.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command.cpp
)
