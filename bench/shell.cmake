# The shell components under Wine: tray animation cadence, frame steps after a
# stalled user-interface thread, drop handling, menu drawing.
if(WIN32)
  add_executable(shell_bench shell_bench_win32.cpp)
  target_link_libraries(shell_bench PRIVATE shell bench_platform)
endif()
