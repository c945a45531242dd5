# The settings store on the real platform, under Wine.
marrowby_test(win_store_profile_diff store_profile_diff_test.cpp LIBS store win_test_util TIMEOUT 600)
