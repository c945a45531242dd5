# schedmgr at rest and its start delay, under Wine, beside a copy of it whose
# timers tick every armed slot once a second (the engine of old).
if(WIN32 AND TARGET schedmgr)
  # The program's own sources: only the engine differs.
  get_target_property(schedmgr_sources schedmgr SOURCES)
  list(TRANSFORM schedmgr_sources PREPEND ${PROJECT_SOURCE_DIR}/app/)
  add_executable(schedmgr_ticking WIN32 ${schedmgr_sources} ticking_engine_win32.cpp)
  set_source_files_properties(${PROJECT_SOURCE_DIR}/app/res/schedmgr.rc PROPERTIES
    COMPILE_FLAGS "${SCHEDMGR_RC_FLAGS}" OBJECT_DEPENDS "${SCHEDMGR_RC_DEPENDS}")
  target_link_libraries(schedmgr_ticking PRIVATE app_model shell ui)

  add_executable(schedmgr_bench schedmgr_bench_win32.cpp)
  target_link_libraries(schedmgr_bench PRIVATE bench_platform shell32)
  add_dependencies(schedmgr_bench schedmgr schedmgr_ticking marker)
endif()
