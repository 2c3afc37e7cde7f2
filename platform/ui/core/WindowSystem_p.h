// The windows as the layers below and beside them see them. The paint manager (core) and the
// desktop services need a few things of the windows (the Qt application, the main loop, the
// host widget of a window, the pre-translate hook) but may not include the window layer,
// which is built on them. The window layer implements this interface and registers it before
// main runs (window/OwnWindowSystem.cpp), so it is in place in every program that has
// windows. A program without windows (unit tests of controls) registers nothing, and every
// call then answers as if no window existed.
#pragma once

#include "platform/win32/Win32Types.h"

class QPainter;
class QWidget;

namespace DuiLib {

class CWindowWnd;

class IWindowSystem {
 public:
  virtual ~IWindowSystem() = default;

  // Makes sure the Qt application exists and our windows are known to platform/win32.
  // Idempotent.
  virtual void Install() = 0;
  // Runs the main loop until a quit; returns the quit's exit code.
  virtual int RunMessageLoop() = 0;
  // Every keyboard message passes hook before any window sees it; true swallows it.
  virtual void SetPreTranslateHook(bool (*hook)(const MSG* msg)) = 0;
  // True on the thread that runs the windows.
  virtual bool IsGuiThread() = 0;
  // Any thread. Queues the message; delivered in order on the GUI thread.
  virtual void Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;

  // GUI thread. The CWindowWnd behind a window of ours, or null.
  virtual CWindowWnd* FromHandle(HWND hwnd) = 0;
  // The window's host widget and, while it handles WM_PAINT, its painter; null otherwise.
  virtual QWidget* Widget(CWindowWnd* window) = 0;
  virtual QPainter* Painter(CWindowWnd* window) = 0;
  // Sets the client size; -1 keeps that dimension.
  virtual void ResizeClient(CWindowWnd* window, int cx, int cy) = 0;
  // 0 (transparent) to 255 (opaque).
  virtual void SetOpacity(CWindowWnd* window, BYTE alpha) = 0;

  // GUI thread. The host widget of a window of ours (null when hwnd is not one), whether it
  // takes input, and taking input away or giving it back without a WM_ENABLE.
  virtual QWidget* HostWidget(HWND hwnd) = 0;
  virtual bool IsInputEnabled(HWND hwnd) = 0;
  virtual void SetInputEnabled(HWND hwnd, bool enable) = 0;
  // The host of the window of ours handling a mouse message now, else the one under the
  // pointer; null when there is neither.
  virtual QWidget* MouseWidget() = 0;
};

// Called once by the window layer, before main.
void SetWindowSystem(IWindowSystem* system);
// The registered windows, or the stand-in without any.
IWindowSystem& WindowSystem();

}  // namespace DuiLib
