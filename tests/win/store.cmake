# The settings store on the real platform, under Wine.
marrowby_test(win_store_profile_diff store_profile_diff_test.cpp LIBS store win_test_util TIMEOUT 600)

marrowby_test(win_store
  store_win_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/store_test_form.cpp
  LIBS store scheduler ui win_test_util TIMEOUT 300)
