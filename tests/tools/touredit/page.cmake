# The editor page: its logic under node --test.
find_program(NODE_PROGRAM node)
if(NOT NODE_PROGRAM)
  message(STATUS "tests/tools/touredit: no node, no page tests")
  return()
endif()
add_test(NAME touredit_page_logic
  COMMAND ${NODE_PROGRAM} --test ${CMAKE_CURRENT_SOURCE_DIR}/page_logic.test.js)
set_tests_properties(touredit_page_logic PROPERTIES TIMEOUT 60)

# The page in Debian's Chromium against the real touredit (the page does not
# change under sanitizers).
if(TARGET touredit AND EXISTS /usr/bin/chromium AND NOT TOURVIEW_SANITIZE)
  add_test(NAME touredit_page_browser
    COMMAND ${NODE_PROGRAM} --test ${CMAKE_CURRENT_SOURCE_DIR}/page_browser.test.js)
  set_tests_properties(touredit_page_browser PROPERTIES TIMEOUT 300
    ENVIRONMENT "TOUREDIT=$<TARGET_FILE:touredit>;TOURCHECK=$<TARGET_FILE:tourcheck>")
endif()
