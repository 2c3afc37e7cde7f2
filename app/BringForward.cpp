#include "app/Startup.h"

#include "platform/win32/Window.h"

// A main frame hidden in the notification area comes back with a taskbar button.
void BringInstanceWindowForward(HWND hwnd) {
  if (!hwnd || !IsWindow(hwnd)) return;
  if (IsIconic(hwnd)) {
    ShowWindow(hwnd, SW_RESTORE);
    ShowWindow(hwnd, SW_HIDE);
  }
  if (!(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW)) {
    ShowWindow(hwnd, SW_HIDE);
    SetWindowLongA(hwnd, GWL_EXSTYLE, WS_EX_APPWINDOW);
  }
  ShowWindow(hwnd, SW_SHOW);
  BringWindowToTop(hwnd);
  SetForegroundWindow(hwnd);
  SetActiveWindow(hwnd);
}
