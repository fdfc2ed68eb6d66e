# The Set... methods by family.
list(APPEND TOVRAK_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/frequency.cpp
  ${CMAKE_CURRENT_LIST_DIR}/widths.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vfo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mode_filter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/memory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ctcss_tones.cpp
  ${CMAKE_CURRENT_LIST_DIR}/receiver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transmitter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/setup.cpp
)
