# The sharing server.
set(TOVRAK_SHARE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/mirror.cpp
  ${CMAKE_CURRENT_LIST_DIR}/server.cpp
  ${CMAKE_CURRENT_LIST_DIR}/status_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/share_host.cpp
)
