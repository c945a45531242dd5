# The views of forms and controls under Wine, in-process.
marrowby_test(win_ui ui_win_test.cpp LIBS ui win_test_util TIMEOUT 120)
