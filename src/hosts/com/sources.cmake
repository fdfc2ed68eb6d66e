# The COM in-process server (the Windows build adds its resources).
set(TOVRAK_COM_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/connector_object.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dispatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/errors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marshal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/module.cpp
  ${CMAKE_CURRENT_LIST_DIR}/panel_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/protocol_object.cpp
  ${CMAKE_CURRENT_LIST_DIR}/server.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TOVRAK_DLL.def
)
