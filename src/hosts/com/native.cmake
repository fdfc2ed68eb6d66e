# Native part of the Windows build, included by the Linux build: the generator
# of the type library description and the COM forwarding layer, the check that
# the checked-in generated files match the member table, and the generator's
# tests.
set(TOVRAK_COM_DIR ${CMAKE_CURRENT_LIST_DIR})
set(TOVRAK_COM_GENERATED ${TOVRAK_COM_DIR}/generated)

add_library(tovrak_comgen_lib STATIC ${TOVRAK_COMGEN_SOURCES})
target_link_libraries(tovrak_comgen_lib PUBLIC tovrak_core)

add_executable(tovrak_comgen ${TOVRAK_COM_DIR}/gen/comgen_main.cpp)
target_link_libraries(tovrak_comgen PRIVATE tovrak_comgen_lib)

# Rewrites the checked-in generated files after the member table changed.
add_custom_target(tovrak_com_regenerate
  COMMAND tovrak_comgen write ${TOVRAK_COM_GENERATED}
  COMMENT "Regenerating the COM interface files in ${TOVRAK_COM_GENERATED}")

if(TOVRAK_TESTS)
  add_test(NAME com.generated_files_current
    COMMAND tovrak_comgen check ${TOVRAK_COM_GENERATED})

  find_package(GTest REQUIRED)
  include(GoogleTest)
  add_executable(tovrak_comgen_tests ${CMAKE_CURRENT_SOURCE_DIR}/tests/windows/native/comgen_test.cpp)
  target_link_libraries(tovrak_comgen_tests PRIVATE tovrak_comgen_lib GTest::gtest GTest::gtest_main)
  gtest_discover_tests(tovrak_comgen_tests TEST_PREFIX com. DISCOVERY_TIMEOUT 60)
endif()
