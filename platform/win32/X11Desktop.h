// Internal to the X11 desktop: the backend class, implemented by X11Desktop.cpp (windows,
// properties, activation, input) and X11Embed.cpp (showing, hiding, re-parenting, moving).
// No X11 or xcb header here.
#pragma once

#include "platform/win32/X11Private.h"

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace win32::x11 {

// The facts of one reading of the desktop.
struct TDesktopReading {
  std::map<XId, TWindowFacts> mapFacts;
  std::chrono::steady_clock::time_point tpTaken;
  std::uint64_t nChangeCount = 0;
};

// Foreign windows on X11: see X11Desktop.cpp for the model.
class CX11Desktop : public DesktopBackend {
 public:
  explicit CX11Desktop(std::unique_ptr<CX11Connection> connection)
      : m_pConnection(std::move(connection)), m_input(*m_pConnection, m_watcher) {}

  std::vector<HWND> TopLevelWindows() override;
  bool Exists(HWND hwnd) override;
  std::string ClassName(HWND hwnd) override;
  DWORD ProcessId(HWND hwnd) override;
  bool IsVisible(HWND hwnd) override;
  HWND Owner(HWND hwnd) override;
  unsigned long ParentId(HWND hwnd) override;
  bool GetRect(HWND hwnd, RECT* rect) override;
  bool GetLocalRect(HWND hwnd, RECT* rect) override;
  unsigned long RootId() override { return m_pConnection->Root(); }
  bool Show(HWND hwnd, int cmd) override;
  bool Reparent(HWND hwnd, unsigned long parentId) override;
  bool Move(HWND hwnd, int x, int y, int width, int height) override;
  bool Activate(HWND hwnd) override;
  bool Close(HWND hwnd) override;
  bool Click(HWND hwnd, int x, int y, bool down) override;
  bool TypeCharacter(HWND hwnd, char32_t character) override;
  bool FinishTyping() override;
  bool Key(BYTE vk, bool up) override;
  int KeyDown(BYTE vk) override;
  bool SetClipboardText(const std::u16string& text) override { return ClipboardSetText(text); }
  bool SetClipboardImage(const TBitmapPixels& image) override { return ClipboardSetImage(image); }
  bool WaitClipboardFetched(DWORD timeoutMs) override { return ClipboardWaitFetched(timeoutMs); }
  bool GetClipboardText(std::u16string& text) override { return ClipboardGetText(text); }
  bool GetClipboardImage(TBitmapPixels& image) override { return ClipboardGetImage(image); }
  bool ClearClipboard() override { return ClipboardClear(); }
  // X11Properties.cpp
  std::string Title(HWND hwnd) override;
  bool IsIconic(HWND hwnd) override;
  std::vector<HWND> Children(unsigned long parentId) override;
  std::uint64_t ChangeCount() override { return m_watcher.Count(); }
  bool ListenForChanges(DWORD milliseconds) override { return m_watcher.Listen(milliseconds); }
  bool WaitForChange(std::uint64_t seen, DWORD milliseconds) override {
    return m_watcher.WaitForChange(seen, milliseconds);
  }

 private:
  using Lock = std::lock_guard<std::recursive_mutex>;

  const TWindowFacts* cachedFacts(XId window);
  // The client windows, topmost first; their facts when they were read on the way.
  std::vector<XId> clientWindows(std::map<XId, TWindowFacts>& facts);
  std::map<XId, TWindowFacts> readFacts(const std::vector<XId>& windows);
  XId embeddingParent(XId window);
  bool withdraw(XId window);
  bool waitForParent(XId window, XId parent);
  void setSaveSet(XId window, bool insert);
  bool showTopLevel(XId window, int cmd);
  bool showEmbedded(XId window, XId parent, int cmd);
  XId ownTopLevelAncestor(XId window);
  void waitForActiveWindow(XId window);
  bool rootPoint(XId window, int x, int y, int& rootX, int& rootY);

  std::unique_ptr<CX11Connection> m_pConnection;
  CX11Input m_input;
  CX11Watcher m_watcher;
  // The latest reading of the desktop (guarded by the connection's mutex).
  TDesktopReading m_snapshot;
  std::vector<XId> m_vecSnapshotClients;
};

}  // namespace win32::x11
