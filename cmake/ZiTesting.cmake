# zi_add_tests(NAME SOURCES ... LIBS ... [GUI])
# One GoogleTest executable; every test becomes a ctest test (listed when ctest
# runs, so the Windows build never starts Wine while it builds). GUI tests drive
# real windows on the shared X display and therefore never run in parallel.
function(zi_add_tests name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zi_testing GTest::gtest_main)
  set(props TIMEOUT 300)
  if(ARG_GUI)
    list(APPEND props RESOURCE_LOCK display LABELS gui)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ${props})
endfunction()
