# schedmgr at rest and its start delay, under Wine, beside a copy of it whose
# timers tick every armed slot once a second (the engine of old).
if(WIN32 AND TARGET schedmgr)
  add_executable(schedmgr_ticking WIN32
    ${PROJECT_SOURCE_DIR}/app/schedmgr_win32.cpp
    ${PROJECT_SOURCE_DIR}/app/history_window_win32.cpp
    ${PROJECT_SOURCE_DIR}/app/shell_parts_win32.cpp
    ${PROJECT_SOURCE_DIR}/app/res/schedmgr.rc
    ticking_engine_win32.cpp)
  target_link_libraries(schedmgr_ticking PRIVATE app_model shell ui)

  add_executable(schedmgr_bench schedmgr_bench_win32.cpp)
  target_link_libraries(schedmgr_bench PRIVATE bench_platform shell32)
  add_dependencies(schedmgr_bench schedmgr schedmgr_ticking marker)
endif()
