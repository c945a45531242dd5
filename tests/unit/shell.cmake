# The shell components' portable rules: tooltip, dropped-name parts, mutex
# name, menu texts and arithmetic, menu items, icon images and frame lists.
marrowby_test(unit_shell
  shell_text_test.cpp
  shell_icon_test.cpp
  shell_menu_test.cpp
  LIBS shell)
