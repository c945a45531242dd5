# The schedule manager's model: windows without windows.
marrowby_test(unit_app
  app_fakes.cpp
  app_help_test.cpp
  app_main_form_test.cpp
  app_launch_test.cpp
  app_editor_test.cpp
  app_history_test.cpp
  app_next_launch_test.cpp
  app_settings_format_test.cpp
  app_schedule_table_test.cpp
  LIBS app_model store_test_support)

marrowby_test(unit_app_fuzz_corpus
  app_fuzz_corpus_test.cpp
  app_fakes.cpp
  ${PROJECT_SOURCE_DIR}/tests/fuzz/fuzz_main_form.cpp
  LIBS app_model store_test_support)
target_compile_definitions(unit_app_fuzz_corpus PRIVATE
  MARROWBY_FUZZ_CORPUS="${PROJECT_SOURCE_DIR}/tests/fuzz/corpus")

# The schedule model (tests/model) held against the real main window.
marrowby_test(unit_app_model
  app_model_test.cpp
  app_fakes.cpp
  ${PROJECT_SOURCE_DIR}/tests/model/schedule_oracle.cpp
  ${PROJECT_SOURCE_DIR}/tests/model/model_driver.cpp
  LIBS app_model store_test_support)
target_compile_definitions(unit_app_model PRIVATE
  MARROWBY_FUZZ_CORPUS="${PROJECT_SOURCE_DIR}/tests/fuzz/corpus")
