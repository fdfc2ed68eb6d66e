# VB-era values: numbers, text, Variant.
list(APPEND TOVRAK_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/numbers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/variant.cpp
)
