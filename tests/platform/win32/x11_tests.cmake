# Tests of the window, input, clipboard and process functions. The x11 tests need a real
# X server (scripts/xvfb-run-wm.sh); without DISPLAY they skip.
tc_add_test(win32_window_test
  SOURCES window_dispatch_test.cpp clipboard_test.cpp
  LIBS tc_win32 Qt6::Gui
  LABELS unit)
tc_add_test(win32_process_test
  SOURCES process_test.cpp child_process_test.cpp process_usage_test.cpp
  LIBS tc_win32
  LABELS unit)
tc_add_test(win32_x11_test
  SOURCES x11_desktop_test.cpp
  LIBS tc_win32 tc_hook Qt6::Widgets Qt6::Gui JsonCpp::JsonCpp
  LABELS x11)
add_dependencies(win32_x11_test standin)
target_compile_definitions(win32_x11_test PRIVATE TC_STANDIN_PATH="${TC_PROGRAM_DIR}/standin")
tc_add_test(win32_x11_error_test
  SOURCES x11_error_trap_test.cpp
  LIBS tc_win32 tc_hook PkgConfig::X11
  LABELS x11)
