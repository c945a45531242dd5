# The schedule manager's model: windows without windows.
marrowby_test(unit_app
  app_fakes.cpp
  app_help_test.cpp
  app_main_form_test.cpp
  app_launch_test.cpp
  ui_controls_test.cpp
  LIBS app_model store_test_support)
