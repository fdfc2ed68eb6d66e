# The extension module, and the program that writes its stubs.
set(TOVRAK_PYTHON_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/module.cpp
  ${CMAKE_CURRENT_LIST_DIR}/apartment.cpp
  ${CMAKE_CURRENT_LIST_DIR}/protocol.cpp
  ${CMAKE_CURRENT_LIST_DIR}/values.cpp
  ${CMAKE_CURRENT_LIST_DIR}/describe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/interrupt.cpp
)
set(TOVRAK_PYTHON_STUBS_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/gen_stubs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/describe.cpp
)
