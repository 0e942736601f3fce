# Builds the literal-converting launcher (cmake/sjis_cc.cpp) with the host's
# own compiler, without the project's flags, and puts it in front of every C++
# compile. It is rebuilt whenever its source is newer.
set(_zi_sjis_cc ${CMAKE_BINARY_DIR}/sjis-cc)
set(_zi_sjis_src ${CMAKE_CURRENT_LIST_DIR}/sjis_cc.cpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_zi_sjis_src})
if(NOT EXISTS ${_zi_sjis_cc} OR ${_zi_sjis_src} IS_NEWER_THAN ${_zi_sjis_cc})
  execute_process(
    COMMAND ${CMAKE_CXX_COMPILER} -std=c++17 -O2 -o ${_zi_sjis_cc} ${_zi_sjis_src}
    RESULT_VARIABLE _zi_rc ERROR_VARIABLE _zi_err)
  if(NOT _zi_rc EQUAL 0)
    message(FATAL_ERROR "cannot build the literal converter sjis-cc:\n${_zi_err}")
  endif()
endif()
set(CMAKE_CXX_COMPILER_LAUNCHER ${_zi_sjis_cc})
