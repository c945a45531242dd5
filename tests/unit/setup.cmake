# The setup program's portable pieces and the package builder.
marrowby_test(unit_setup
  setup_fake_io.cpp
  setup_format_test.cpp
  setup_load_test.cpp
  setuppack_test.cpp
  LIBS setuppack_lib)
target_include_directories(unit_setup PRIVATE ${PROJECT_SOURCE_DIR})
