# The one window helper under Wine, in-process.
marrowby_test(win_core window_base_win_test.cpp LIBS core TIMEOUT 60)
