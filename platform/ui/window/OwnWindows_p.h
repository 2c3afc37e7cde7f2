// The table of our own windows and the own-window backend of platform/win32.
//
// HWND values: under xcb the X11 window id of the host widget, so other processes (and the
// single-instance block) can address our windows; otherwise synthetic ids from 0x40000000.
// The table keeps, per window, the host widget (GUI thread only) and a snapshot of its state
// (geometry, visibility, styles, class, parent, owner) that the host publishes after every
// change. Other threads read the snapshot and have changes run on the GUI thread later, so a
// worker thread never blocks on the GUI thread except through SendMessageA.
#pragma once

#include "platform/win32/Window.h"
#include "platform/win32/WindowPost.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace DuiLib {

class CWindowHost;

struct TWindowState {
  RECT rcWindow = {0, 0, 0, 0};  // screen coordinates
  RECT rcClient = {0, 0, 0, 0};  // 0,0 based
  bool bVisible = false;
  bool bIconic = false;
  bool bZoomed = false;
  LONG_PTR style = 0;
  LONG_PTR exStyle = 0;
  std::string className;
  HWND parent = nullptr;
  HWND owner = nullptr;
  unsigned long nativeId = 0;
};

class COwnWindows final : public win32::OwnWindowBackend, public win32::ParcelQueue {
 public:
  static COwnWindows& Instance();

  // GUI thread. Gives the host its handle and enters it into the table.
  HWND Add(CWindowHost* host, unsigned long nativeId);
  void Remove(HWND hwnd);
  // GUI thread only; null when hwnd is not a live window of ours.
  CWindowHost* Host(HWND hwnd) const;
  void Publish(HWND hwnd, const TWindowState& state);
  bool Snapshot(HWND hwnd, TWindowState* state) const;
  std::vector<HWND> OwnedBy(HWND owner) const;
  std::vector<HWND> ChildrenOf(HWND parent) const;
  std::vector<HWND> All() const;
  void SetForegroundAndFocus(HWND foreground, HWND focus);

  bool IsOwn(HWND hwnd) override;
  LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL PostParcel(HWND hwnd, std::unique_ptr<win32::PostedParcel> parcel) override;
  void PostQuit(int exitCode) override;
  UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs) override;
  BOOL KillTimer(HWND hwnd, UINT_PTR id) override;
  BOOL Show(HWND hwnd, int cmd) override;
  BOOL Move(HWND hwnd, int x, int y, int width, int height, BOOL repaint) override;
  BOOL SetPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) override;
  BOOL GetWindowRect(HWND hwnd, RECT* rect) override;
  BOOL GetClientRect(HWND hwnd, RECT* rect) override;
  BOOL IsVisible(HWND hwnd) override;
  BOOL IsIconic(HWND hwnd) override;
  BOOL IsZoomed(HWND hwnd) override;
  std::string ClassName(HWND hwnd) override;
  HWND Parent(HWND hwnd) override;
  HWND Owner(HWND hwnd) override;
  LONG_PTR GetLong(HWND hwnd, int index) override;
  LONG_PTR SetLong(HWND hwnd, int index, LONG_PTR value) override;
  BOOL Activate(HWND hwnd) override;
  BOOL Destroy(HWND hwnd) override;
  BOOL Enable(HWND hwnd, BOOL enable) override;
  BOOL IsEnabled(HWND hwnd) override;
  unsigned long NativeId(HWND hwnd) override;
  HWND FromNativeId(unsigned long xid) override;
  HWND Foreground() override;
  HWND Focus() override;
  double DevicePixelRatio() override;

 private:
  COwnWindows() = default;
  struct TEntry {
    CWindowHost* host = nullptr;
    TWindowState state;
  };
  mutable std::mutex m_mutex;
  std::map<HWND, TEntry> m_windows;
  std::uintptr_t m_nextSynthetic = 0x40000000;
  HWND m_foreground = nullptr;
  HWND m_focus = nullptr;
  // Refreshed on the GUI thread (Qt's screens live there), read from any thread.
  std::atomic<double> m_dDevicePixelRatio{1.0};
};

}  // namespace DuiLib
