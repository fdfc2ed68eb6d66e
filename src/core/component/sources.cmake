# The component: its members, state, capabilities and late binding.
list(APPEND TOVRAK_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/accessors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/capability.cpp
  ${CMAKE_CURRENT_LIST_DIR}/events.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lifecycle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/members.cpp
  ${CMAKE_CURRENT_LIST_DIR}/version.cpp
  ${CMAKE_CURRENT_LIST_DIR}/member_help.cpp
)
