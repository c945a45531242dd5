# The settings store: the profile file, the ini layer over a fake file
# system, stores of a stand-in window, and the fuzz corpus. What the main
# window's own stores write is tested with the window (app.cmake).
marrowby_test(unit_store
  store_profile_test.cpp
  store_ini_test.cpp
  store_component_test.cpp
  LIBS store_test_support)

marrowby_test(unit_store_fuzz_corpus
  store_fuzz_corpus_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/fuzz/fuzz_targets.cpp
  LIBS store_test_support)
target_compile_definitions(unit_store_fuzz_corpus PRIVATE
  MARROWBY_FUZZ_CORPUS="${PROJECT_SOURCE_DIR}/tests/fuzz/corpus")
