# schedmgr driven from outside under Wine.
if(TARGET schedmgr)
  marrowby_test(e2e_schedmgr
    ${CMAKE_CURRENT_LIST_DIR}/schedmgr_e2e_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/e2e_util.cpp
    LIBS win_test_util
    TIMEOUT 600)
  add_dependencies(e2e_schedmgr schedmgr marker)
endif()
