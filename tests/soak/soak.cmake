# The fault soak (virtual time) and the cable pulled from a real
# pseudo-terminal; the long soak is the tovrak_soak program (tools/soak).
list(APPEND TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/soak/soak_session.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/soak/fault_soak_test.cpp
)

add_executable(tovrak_soak
  ${CMAKE_CURRENT_SOURCE_DIR}/soak/soak_main.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/soak/soak_session.cpp
)
target_include_directories(tovrak_soak PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tovrak_soak PRIVATE tovrak_hosts tovrak_core)
