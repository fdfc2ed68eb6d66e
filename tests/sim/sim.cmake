list(APPEND TOVRAK_TEST_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/sim/answers_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/sim/radio_life_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/sim/link_test.cpp
)
