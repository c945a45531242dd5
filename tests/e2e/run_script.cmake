# scripts/run on a machine without a display: its desktop, the icon in its
# notification area, and a stop that keeps the user's edits and leaves
# nothing running. It runs the built schedmgr.exe in a Wine prefix of its own
# and takes a Wine lane's place while it runs.
if(MARROWBY_RUN_WIN_TESTS AND TARGET schedmgr)
  add_test(NAME e2e_run_script
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/run_script_test.sh ${PROJECT_SOURCE_DIR})
  set_tests_properties(e2e_run_script PROPERTIES TIMEOUT 300)
  marrowby_wine_test_properties(e2e_run_script)
endif()
