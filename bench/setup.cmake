# Benchmarks of the setup program (run by bench/run/30-setup.sh).
if(WIN32)
  # The setup dialog is found as the end-to-end tests' driver finds it; the
  # in-process profile runs the stub's own extraction code.
  add_executable(setup_bench setup_bench.cpp ${PROJECT_SOURCE_DIR}/tests/e2e/setup_driver.cpp
    ${PROJECT_SOURCE_DIR}/tests/win/win_test_util.cpp)
  target_link_libraries(setup_bench PRIVATE bench_platform setup_win32)
  target_include_directories(setup_bench PRIVATE ${PROJECT_SOURCE_DIR})
endif()
