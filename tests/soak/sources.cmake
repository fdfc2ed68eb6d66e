# The fault soak's parts, which the tovrak_soak program (soak_main.cpp) shares
# with the tests.
set(TOVRAK_SOAK_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/soak_session.cpp
)
list(APPEND TOVRAK_TEST_SOURCES
  ${TOVRAK_SOAK_SOURCES}
  ${CMAKE_CURRENT_LIST_DIR}/fault_soak_test.cpp
)
