# The fault soak's session, shared by the tests and tovrak_soak (soak_main.cpp).
set(TOVRAK_SOAK_SOURCES ${CMAKE_CURRENT_LIST_DIR}/soak_session.cpp)
list(APPEND TOVRAK_TEST_SOURCES
  ${TOVRAK_SOAK_SOURCES}
  ${CMAKE_CURRENT_LIST_DIR}/fault_soak_test.cpp
)
