# zi_add_subdirectories(): adds every sub-folder of the current folder that has
# a CMakeLists.txt, the portable core first (later subsystems link earlier
# ones by name, so the order only keeps the build log readable).
function(zi_add_subdirectories)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  set(order base settings archive imaging os install forms wizard launcher common)
  set(done "")
  foreach(sub IN LISTS order children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${sub} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/CMakeLists.txt
       AND NOT sub IN_LIST done)
      add_subdirectory(${sub})
      list(APPEND done ${sub})
    endif()
  endforeach()
endfunction()
