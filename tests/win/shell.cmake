# The shell components under Wine: notification-area icon, tray menu, drop
# target (one executable), and the single-instance guard with real processes.
marrowby_test(win_shell
  shell_tray_win_test.cpp
  shell_menu_win_test.cpp
  shell_drop_win_test.cpp
  LIBS shell ui win_test_util
  TIMEOUT 240)

add_executable(shell_instance_app shell_instance_app.cpp)
target_link_libraries(shell_instance_app PRIVATE shell ui)
marrowby_test(win_single_instance shell_instance_win_test.cpp LIBS win_test_util shell TIMEOUT 240)
add_dependencies(win_single_instance shell_instance_app)

# The tray menu on screen, for looking at it (not a test).
add_executable(shell_menu_sample shell_menu_sample.cpp)
target_link_libraries(shell_menu_sample PRIVATE shell)
