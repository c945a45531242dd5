# The setup program's Win32 layer, in-process under Wine.
marrowby_test(win_setup setup_win_test.cpp setup_run_win_test.cpp setup_win_util.cpp
  LIBS setup_win32 win_test_util TIMEOUT 120)
target_include_directories(win_setup PRIVATE ${PROJECT_SOURCE_DIR})
# A library to plant beside the test program.
add_dependencies(win_setup setup_planted_cabinet)
