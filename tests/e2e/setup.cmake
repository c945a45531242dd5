# setupstub end to end: packages are built with the native setuppack (a
# fixture run before the tests), then a Windows test program drives them.
add_library(setup_planted_cabinet SHARED setup_planted_cabinet.cpp)
set_target_properties(setup_planted_cabinet PROPERTIES PREFIX "")

add_executable(setup_e2e
  setup_driver.cpp
  setup_e2e_test.cpp
  setup_e2e_cases_test.cpp
  setup_e2e_runs_test.cpp
  setup_e2e_switches_test.cpp)
target_include_directories(setup_e2e PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(setup_e2e PRIVATE win_test_util ${MARROWBY_GTEST} ${MARROWBY_GTEST_MAIN})
add_dependencies(setup_e2e setupstub setup_planted_cabinet marker)

if(MARROWBY_RUN_WIN_TESTS)
  add_test(NAME e2e_setup_packages
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/setup_make_packages.sh ${PROJECT_SOURCE_DIR}
            $<TARGET_FILE:setupstub> ${CMAKE_BINARY_DIR}/e2e-setup $<TARGET_FILE:marker>)
  set_tests_properties(e2e_setup_packages PROPERTIES FIXTURES_SETUP setup_packages TIMEOUT 120)
  add_test(NAME e2e_setup COMMAND setup_e2e --gtest_color=no
    --gtest_filter=-*CabinetDll*:*NoCabinetLibrary*:*NoSha256*)
  set_tests_properties(e2e_setup PROPERTIES FIXTURES_REQUIRED setup_packages TIMEOUT 900)
  marrowby_wine_test_properties(e2e_setup)
  # Native libraries first for this one: a Cabinet.dll beside the package
  # would then be loaded if the program asked for it by name alone.
  add_test(NAME e2e_setup_planted_library
    COMMAND setup_e2e --gtest_color=no --gtest_filter=*CabinetDll*)
  set_tests_properties(e2e_setup_planted_library PROPERTIES FIXTURES_REQUIRED setup_packages
    TIMEOUT 120 ENVIRONMENT "WINEDLLOVERRIDES=cabinet=n,b")
  marrowby_wine_test_properties(e2e_setup_planted_library)
  # The system's cabinet library disabled: start-up reports it cannot load it.
  add_test(NAME e2e_setup_no_cabinet_library
    COMMAND setup_e2e --gtest_color=no --gtest_filter=*NoCabinetLibrary*)
  set_tests_properties(e2e_setup_no_cabinet_library PROPERTIES FIXTURES_REQUIRED setup_packages
    TIMEOUT 120 ENVIRONMENT "WINEDLLOVERRIDES=cabinet=d")
  marrowby_wine_test_properties(e2e_setup_no_cabinet_library)
  # No provider with SHA-256, as before Windows XP SP3: only split packages
  # need it.
  add_test(NAME e2e_setup_no_sha256
    COMMAND setup_e2e --gtest_color=no --gtest_filter=*NoSha256*)
  set_tests_properties(e2e_setup_no_sha256 PROPERTIES FIXTURES_REQUIRED setup_packages
    TIMEOUT 120 ENVIRONMENT "WINEDLLOVERRIDES=rsaenh=d")
  marrowby_wine_test_properties(e2e_setup_no_sha256)
endif()
