// An own-window backend for tests that need "our" windows without the UI library: every
// operation succeeds and does nothing. A test derives from it and overrides what it checks.
#pragma once

#include "platform/win32/Window.h"

#include <string>

namespace testing_support {

class CStubOwnWindowBackend : public win32::OwnWindowBackend {
 public:
  bool IsOwn(HWND) override { return false; }
  LRESULT Send(HWND, UINT, WPARAM, LPARAM) override { return 0; }
  BOOL Post(HWND, UINT, WPARAM, LPARAM) override { return TRUE; }
  void PostQuit(int) override {}
  UINT_PTR SetTimer(HWND, UINT_PTR id, UINT) override { return id; }
  BOOL KillTimer(HWND, UINT_PTR) override { return TRUE; }
  BOOL Show(HWND, int) override { return TRUE; }
  BOOL Move(HWND, int, int, int, int, BOOL) override { return TRUE; }
  BOOL SetPos(HWND, HWND, int, int, int, int, UINT) override { return TRUE; }
  BOOL GetWindowRect(HWND, RECT* rect) override {
    *rect = RECT{0, 0, 0, 0};
    return TRUE;
  }
  BOOL GetClientRect(HWND, RECT* rect) override {
    *rect = RECT{0, 0, 0, 0};
    return TRUE;
  }
  BOOL IsVisible(HWND) override { return TRUE; }
  BOOL IsIconic(HWND) override { return FALSE; }
  BOOL IsZoomed(HWND) override { return FALSE; }
  std::string ClassName(HWND) override { return "TandemChat"; }
  HWND Parent(HWND) override { return nullptr; }
  HWND Owner(HWND) override { return nullptr; }
  LONG_PTR GetLong(HWND, int) override { return 0; }
  LONG_PTR SetLong(HWND, int, LONG_PTR) override { return 0; }
  BOOL Activate(HWND) override { return TRUE; }
  BOOL Destroy(HWND) override { return TRUE; }
  BOOL Enable(HWND, BOOL) override { return TRUE; }
  BOOL IsEnabled(HWND) override { return TRUE; }
  unsigned long NativeId(HWND) override { return 0; }
  HWND FromNativeId(unsigned long) override { return nullptr; }
  HWND Foreground() override { return nullptr; }
  HWND Focus() override { return nullptr; }
};

}  // namespace testing_support
