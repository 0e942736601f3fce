# Part of installing the Windows kit: builds the demo package with
# demo/package/build and installs it below demo/package, where the packaging
# guide's links point: the settings, source/ and the two discs in media/.
# Set by the caller: ZI_SOURCE_DIR, ZI_BINARY_DIR, ZI_INSTALL_EXE, ZI_DEMO_EXE.
set(work "${ZI_BINARY_DIR}/kit/demo")

if(DEFINED ENV{ZI_HOST_TOOLS_DIR} AND NOT "$ENV{ZI_HOST_TOOLS_DIR}" STREQUAL "")
  set(tools "$ENV{ZI_HOST_TOOLS_DIR}")
else()
  # A tree of its own with the build machine's compilers, none of the
  # cross build's settings.
  set(tools "${ZI_BINARY_DIR}/host-tools/tools")
  message(STATUS "Building the tools for the build machine in ${ZI_BINARY_DIR}/host-tools")
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${ZI_SOURCE_DIR}" -B "${ZI_BINARY_DIR}/host-tools" -G Ninja
            -DCMAKE_BUILD_TYPE=Release -DZI_TOOLS_ONLY=ON
    OUTPUT_QUIET RESULT_VARIABLE status)
  if(status EQUAL 0)
    execute_process(
      COMMAND "${CMAKE_COMMAND}" --build "${ZI_BINARY_DIR}/host-tools" --target vftool instdat galetool
      OUTPUT_QUIET RESULT_VARIABLE status)
  endif()
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the tools for the build machine could not be built (${status})")
  endif()
endif()
foreach(tool vftool instdat galetool)
  if(NOT EXISTS "${tools}/${tool}/${tool}")
    message(FATAL_ERROR "${tools}/${tool}/${tool} is missing: the demo package needs the tools")
  endif()
endforeach()

message(STATUS "Building the demo package in ${work}")
set(ENV{PATH} "${tools}/vftool:${tools}/instdat:${tools}/galetool:$ENV{PATH}")
execute_process(
  COMMAND bash "${ZI_SOURCE_DIR}/demo/package/build" "${work}" "${ZI_INSTALL_EXE}" "${ZI_DEMO_EXE}"
  OUTPUT_FILE "${ZI_BINARY_DIR}/kit/demo-build.log" ERROR_FILE "${ZI_BINARY_DIR}/kit/demo-build.log"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(READ "${ZI_BINARY_DIR}/kit/demo-build.log" log)
  message(FATAL_ERROR "the demo package could not be built (${status}):\n${log}")
endif()

file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/demo/package" TYPE FILE
     FILES "${work}/disc1.json" "${work}/disc2.json")
# The Gale picture is the guide's first product, not a source.
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/demo/package" TYPE DIRECTORY
     FILES "${work}/source" "${work}/media" PATTERN launcher.gale EXCLUDE)
