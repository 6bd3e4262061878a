# The editor page: its logic under node --test.
find_program(NODE_PROGRAM node)
if(NOT NODE_PROGRAM)
  message(STATUS "tests/tools/touredit: no node, no page tests")
  return()
endif()
add_test(NAME touredit_page_logic
  COMMAND ${NODE_PROGRAM} --test ${CMAKE_CURRENT_SOURCE_DIR}/page_logic.test.js)
set_tests_properties(touredit_page_logic PROPERTIES TIMEOUT 60)
