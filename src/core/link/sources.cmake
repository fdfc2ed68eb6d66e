# The serial link: port, sending, commands.
list(APPEND TOVRAK_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/port.cpp
  ${CMAKE_CURRENT_LIST_DIR}/send.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command.cpp
)
