# The setup program's portable pieces and the package builder.
marrowby_test(unit_setup
  setup_fake_io.cpp
  setup_format_test.cpp
  setup_load_test.cpp
  setup_switches_test.cpp
  setuppack_signing_test.cpp
  setuppack_test.cpp
  LIBS setuppack_lib)
target_include_directories(unit_setup PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(unit_setup PRIVATE
  SETUP_MANIFEST_PATH="${PROJECT_SOURCE_DIR}/setup/res/setup.manifest")

# The builder's command line, run as a program.
marrowby_test(unit_setuppack_cli setuppack_cli_test.cpp setuppack_names_test.cpp
  LIBS setuppack_lib)
target_include_directories(unit_setuppack_cli PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(unit_setuppack_cli PRIVATE SETUPPACK_PATH="$<TARGET_FILE:setuppack>"
  SETUP_MANIFEST_PATH="${PROJECT_SOURCE_DIR}/setup/res/setup.manifest")
add_dependencies(unit_setuppack_cli setuppack)
