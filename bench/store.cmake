# Settings store: save and restore of the main window's stores with our
# profile layer beside the platform's profile functions one call per key.
if(WIN32)
  add_executable(store_bench store_bench_win32.cpp ${PROJECT_SOURCE_DIR}/tests/support/store_test_form.cpp)
  target_link_libraries(store_bench PRIVATE store scheduler)
endif()
