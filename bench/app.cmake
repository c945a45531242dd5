# schedmgr at rest and its start delay, under Wine.
if(WIN32 AND TARGET schedmgr)
  add_executable(schedmgr_bench schedmgr_bench_win32.cpp)
  target_link_libraries(schedmgr_bench PRIVATE bench_platform)
  add_dependencies(schedmgr_bench schedmgr marker)
endif()
