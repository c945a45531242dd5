# Benchmarks of the setup program (run by bench/run/30-setup.sh).
if(WIN32)
  add_executable(setup_bench setup_bench.cpp)
  target_link_libraries(setup_bench PRIVATE bench_platform setup_win32)
  target_include_directories(setup_bench PRIVATE ${PROJECT_SOURCE_DIR})
endif()
