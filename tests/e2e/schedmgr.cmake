# schedmgr driven from outside under Wine.
if(TARGET schedmgr)
  add_library(e2e_schedmgr_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/e2e_util.cpp
    ${CMAKE_CURRENT_LIST_DIR}/schedmgr_fixture.cpp)
  target_link_libraries(e2e_schedmgr_support PUBLIC win_test_util ${MARROWBY_GTEST})
  marrowby_test(e2e_schedmgr
    ${CMAKE_CURRENT_LIST_DIR}/schedmgr_e2e_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/schedmgr_launch_e2e_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/schedmgr_tray_e2e_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/schedmgr_settings_e2e_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/schedmgr_editor_e2e_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/schedmgr_next_launch_e2e_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/schedmgr_damaged_e2e_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/schedmgr_history_e2e_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/schedmgr_once_e2e_test.cpp
    LIBS e2e_schedmgr_support gdi32 comctl32
    TIMEOUT 900
    SHARDS 2)  # the longest suite: two halves, each in a Wine lane
  add_dependencies(e2e_schedmgr schedmgr marker)
endif()
