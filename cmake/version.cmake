# The version has one home: the project() line of the top CMakeLists.txt.
# Builds that are projects of their own (windows/, fuzz/) read it from there.
# Writes tovrak/version.hpp under TOVRAK_GENERATED_INCLUDE_DIR.
set(_tovrak_top ${CMAKE_CURRENT_LIST_DIR}/..)
if(PROJECT_NAME STREQUAL "tovrak")
  set(TOVRAK_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
  set(TOVRAK_VERSION_MINOR ${PROJECT_VERSION_MINOR})
  set(TOVRAK_VERSION_PATCH ${PROJECT_VERSION_PATCH})
else()
  file(READ ${_tovrak_top}/CMakeLists.txt _tovrak_cmakelists)
  if(NOT _tovrak_cmakelists MATCHES "project\\(tovrak VERSION ([0-9]+)\\.([0-9]+)\\.([0-9]+)")
    message(FATAL_ERROR "no project version in ${_tovrak_top}/CMakeLists.txt")
  endif()
  set(TOVRAK_VERSION_MAJOR ${CMAKE_MATCH_1})
  set(TOVRAK_VERSION_MINOR ${CMAKE_MATCH_2})
  set(TOVRAK_VERSION_PATCH ${CMAKE_MATCH_3})
endif()
set(TOVRAK_VERSION ${TOVRAK_VERSION_MAJOR}.${TOVRAK_VERSION_MINOR}.${TOVRAK_VERSION_PATCH})
set(TOVRAK_GENERATED_INCLUDE_DIR ${CMAKE_CURRENT_BINARY_DIR}/generated/include)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.hpp.in
  ${TOVRAK_GENERATED_INCLUDE_DIR}/tovrak/version.hpp @ONLY)
