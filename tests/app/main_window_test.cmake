# The main window and the entry point with every subsystem stood in for by
# the test; the program's menu and icon come from its resources.
add_wine_test(main_window_test main_window_test.cpp
  ${PROJECT_SOURCE_DIR}/app/main_window.cpp
  ${PROJECT_SOURCE_DIR}/app/command_maps.cpp
  ${PROJECT_SOURCE_DIR}/app/winmain.cpp
  LIBS pellorin_resources pellorin_shell_handles gdi32 user32)
