# zi_add_tests(NAME SOURCES ... LIBS ... [GUI] [START_MENU])
# One GoogleTest executable; every test becomes a ctest test (listed when ctest
# runs, so the Windows build never starts Wine while it builds). GUI tests drive
# real windows on the shared X display and therefore never run in parallel.
# START_MENU tests make and remove folders in the Start menu's Programs folder,
# as GUI installs and uninstalls do; the uninstall confirms that no folder but
# its group went, so they take the GUI tests' lock and never run beside one.
function(zi_add_tests name)
  cmake_parse_arguments(ARG "GUI;START_MENU" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zi_testing GTest::gtest_main)
  set(props TIMEOUT 300)
  if(ARG_GUI)
    list(APPEND props RESOURCE_LOCK display LABELS gui)
  elseif(ARG_START_MENU)
    list(APPEND props RESOURCE_LOCK display)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ${props})
endfunction()
