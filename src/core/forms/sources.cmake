# The hidden form and the control panel's model.
list(APPEND TOVRAK_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/zel_form.cpp
  ${CMAKE_CURRENT_LIST_DIR}/control_panel.cpp
)
