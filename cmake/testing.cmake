# GoogleTest for every preset: the host's packaged library natively, the packaged
# sources compiled by the cross compiler for Windows. Only for a build with tests:
# the package builder and the setup stub build without GoogleTest installed
# (BUILD_TESTING=OFF).
if(NOT BUILD_TESTING)
  # No tests: marrowby_test below is never called.
elseif(WIN32)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # The packaged sources are not ours to fix; keep their warnings out of our build log.
  foreach(t gtest gtest_main gmock gmock_main)
    if(TARGET ${t})
      target_compile_options(${t} PRIVATE -w)
    endif()
  endforeach()
  set(MARROWBY_GTEST gtest gmock)
  # GoogleTest's main with a time limit for each case (tests/win/gtest_main.cpp).
  set(MARROWBY_GTEST_MAIN win_gtest_main)
else()
  find_package(GTest REQUIRED)
  set(MARROWBY_GTEST GTest::gtest GTest::gmock)
  set(MARROWBY_GTEST_MAIN GTest::gtest_main)
endif()

# A Windows test under Wine: it takes one Wine lane (when CTest is given the
# lanes, scripts/wine-lanes), and runs in a folder of its own, so that nothing
# it does in its current directory touches the build tree.
function(marrowby_wine_test_properties name)
  set(dir ${CMAKE_BINARY_DIR}/test-work/${name})
  file(MAKE_DIRECTORY ${dir})
  set_tests_properties(${name} PROPERTIES RESOURCE_GROUPS wine:1 WORKING_DIRECTORY ${dir})
endfunction()

# marrowby_test(NAME SOURCES... [LIBS ...] [TIMEOUT s] [NO_MAIN] [SHARDS n])
# One executable, registered as one CTest test, or as n tests that each run
# a share of its cases (GoogleTest's sharding), which may run side by side.
# Windows tests run through the Wine wrapper (the cross-compiling emulator)
# and only where it is configured.
function(marrowby_test name)
  cmake_parse_arguments(T "NO_MAIN" "TIMEOUT;SHARDS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${MARROWBY_GTEST})
  if(NOT T_NO_MAIN)
    target_link_libraries(${name} PRIVATE ${MARROWBY_GTEST_MAIN})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  if(NOT WIN32 OR MARROWBY_RUN_WIN_TESTS)
    if(T_SHARDS)
      math(EXPR last "${T_SHARDS} - 1")
      foreach(i RANGE ${last})
        add_test(NAME ${name}_${i} COMMAND ${name} --gtest_color=no)
        set_tests_properties(${name}_${i} PROPERTIES TIMEOUT ${T_TIMEOUT}
          ENVIRONMENT "GTEST_TOTAL_SHARDS=${T_SHARDS};GTEST_SHARD_INDEX=${i}")
        if(WIN32)
          marrowby_wine_test_properties(${name}_${i})
        endif()
      endforeach()
    else()
      add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
      set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
      if(WIN32)
        marrowby_wine_test_properties(${name})
      endif()
    endif()
  endif()
endfunction()
