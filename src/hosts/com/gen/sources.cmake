# The generator of the COM interface files (its comgen_main.cpp is the
# program's).
set(TOVRAK_COMGEN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/comgen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/help_text.cpp
)
