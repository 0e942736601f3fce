# Writes a tool's man page from its own help, so the page cannot drift from the
# program: the synopsis is the usage line of each command, the rest is what
# help2man makes of "TOOL --help" and "TOOL --version" (the commands, the
# notes and the exit codes of the help's footer).
#   cmake -DTOOL=path/to/vftool -DSUMMARY="..." -DOUT=vftool.1.gz -P ZiManPage.cmake
foreach(var TOOL SUMMARY OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ZiManPage.cmake: ${var} is not set")
  endif()
endforeach()
get_filename_component(name "${TOOL}" NAME)

execute_process(COMMAND "${TOOL}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} --help ended with ${status}")
endif()
# The commands are the indented first words of the lines below "Subcommands:".
string(REGEX MATCH "\nSubcommands:\n(  [^\n]*\n)+" listing "${help}")
string(REGEX MATCHALL "\n  [a-z][-a-z]*" commands "${listing}")
if(NOT commands)
  message(FATAL_ERROR "${TOOL} --help lists no commands")
endif()

set(synopsis "[SYNOPSIS]\n")
foreach(command IN LISTS commands)
  string(STRIP "${command}" command)
  execute_process(COMMAND "${TOOL}" ${command} --help OUTPUT_VARIABLE sub RESULT_VARIABLE status)
  string(REGEX MATCH "Usage: [^\n]*" usage "${sub}")
  if(NOT status EQUAL 0 OR NOT usage)
    message(FATAL_ERROR "${TOOL} ${command} --help gives no usage line")
  endif()
  string(REPLACE "Usage: " "" usage "${usage}")
  # A line of its own each, the words as typed in bold.
  string(REGEX REPLACE "^([^ ]+) ([^ ]+)" "\\\\fB\\1 \\2\\\\fR" usage "${usage}")
  string(APPEND synopsis "${usage}\n.br\n")
endforeach()

get_filename_component(dir "${OUT}" DIRECTORY)
set(include_file "${dir}/${name}.h2m")
set(page "${dir}/${name}.1")
file(WRITE "${include_file}" "${synopsis}")
execute_process(
  COMMAND help2man --no-info --section=1 --source=zinstall "--manual=zinstall publisher tools"
          "--name=${SUMMARY}" "--include=${include_file}" --output=${page} "${TOOL}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man ${TOOL} ended with ${status}")
endif()
# -n: no name or time stamp inside, so the same page gives the same bytes.
execute_process(COMMAND gzip -9nf "${page}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip ${page} ended with ${status}")
endif()
