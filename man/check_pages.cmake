# Formats each man page with every troff warning on and fails on any.
# cmake -DMAN=/usr/bin/man -DPAGES="a.1;b.5" -P check_pages.cmake
foreach(page IN LISTS PAGES)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANWIDTH=80
                          ${MAN} --warnings -E UTF-8 -l ${page}
                  OUTPUT_QUIET ERROR_VARIABLE warnings RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
    message(SEND_ERROR "${page}: ${warnings}")
  else()
    message(STATUS "${page}: no warnings")
  endif()
endforeach()
