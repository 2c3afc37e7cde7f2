// An in-memory desktop for tests: windows with class, process, owner, visibility and
// geometry, a clipboard, and a journal of every call with its time, so that a test can
// check key sequences and the waits between them without an X server.
//
//   testing_support::FakeDesktop desktop;
//   win32::SetDesktopBackend(&desktop);
//   HWND login = desktop.AddWindow("WeChatLoginWndForPC", pid, {0, 0, 300, 400});
//   ... code under test ...
//   EXPECT_EQ(desktop.KeyJournal(), "Ctrl+ A+ A- Ctrl- Del+ Del-");
//   win32::SetDesktopBackend(nullptr);
#pragma once

#include "platform/win32/DesktopBackend.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace testing_support {

class FakeDesktop : public win32::DesktopBackend {
 public:
  // One journal line. kind: "show", "reparent", "move", "activate", "close", "click",
  // "char", "key", "clipboard-text", "clipboard-image", "clipboard-wait",
  // "clipboard-clear".
  struct TCall {
    std::chrono::steady_clock::time_point tpWhen;
    std::string strKind;
    HWND hWnd = nullptr;
    long long nArg1 = 0;     // show: cmd; reparent: parent id; move/click: x; char: code point;
                             // key: vk; clipboard-image: width
    long long nArg2 = 0;     // move/click: y; key: 1 for release; clipboard-image: height
    long long nArg3 = 0;     // move: width; click: 1 for press, 0 for release
    long long nArg4 = 0;     // move: height
    std::u16string strText;  // clipboard-text
  };

  struct TWindow {
    std::string strClass;
    DWORD dwPid = 0;
    HWND hOwner = nullptr;
    bool bVisible = true;
    bool bMaximized = false;
    unsigned long nParentId = 0;  // 0: top-level
    RECT rcWindow{};              // screen, or relative to the parent when embedded
  };

  FakeDesktop();
  ~FakeDesktop() override;

  // Building the desktop. Windows get ids from 0x10000 up; a new window is topmost.
  HWND AddWindow(const std::string& className, DWORD pid, RECT rect, bool visible = true,
                 HWND owner = nullptr);
  void RemoveWindow(HWND hwnd);
  void SetVisible(HWND hwnd, bool visible);
  bool GetWindow(HWND hwnd, TWindow& window) const;
  // The size an "embedded" window gets when it is maximised inside parentId.
  void SetParentClientSize(unsigned long parentId, int width, int height);
  // Number of TopLevelWindows calls so far.
  int EnumerationCount() const;

  // The journal.
  std::vector<TCall> Calls() const;
  void ClearCalls();
  // Key and paste events as text: "Ctrl+ A+ A- Ctrl- Del+ Del- ..." (+ press, - release;
  // Ctrl, Alt, Shift, Del, letters and digits as themselves, others as "VK<hex>").
  std::string KeyJournal() const;
  std::u16string ClipboardText() const;
  bool ClipboardHasImage() const;
  win32::TBitmapPixels ClipboardImage() const;

  // win32::DesktopBackend
  std::vector<HWND> TopLevelWindows() override;
  // Children of parentId, topmost first.
  std::vector<HWND> Children(unsigned long parentId) override;
  bool Exists(HWND hwnd) override;
  std::string ClassName(HWND hwnd) override;
  DWORD ProcessId(HWND hwnd) override;
  bool IsVisible(HWND hwnd) override;
  HWND Owner(HWND hwnd) override;
  unsigned long ParentId(HWND hwnd) override;
  // The fake keeps one rectangle per window: GetRect and GetLocalRect both give it.
  bool GetRect(HWND hwnd, RECT* rect) override;
  bool GetLocalRect(HWND hwnd, RECT* rect) override;
  unsigned long RootId() override;  // 1
  bool Show(HWND hwnd, int cmd) override;
  bool Reparent(HWND hwnd, unsigned long parentId) override;
  bool Move(HWND hwnd, int x, int y, int width, int height) override;
  bool Activate(HWND hwnd) override;
  bool Close(HWND hwnd) override;
  bool Click(HWND hwnd, int x, int y, bool down) override;
  bool TypeCharacter(HWND hwnd, char32_t character) override;
  bool Key(BYTE vk, bool up) override;
  bool SetClipboardText(const std::u16string& text) override;
  bool SetClipboardImage(const win32::TBitmapPixels& image) override;
  bool WaitClipboardFetched(DWORD timeoutMs) override;
  bool GetClipboardText(std::u16string& text) override;
  bool GetClipboardImage(win32::TBitmapPixels& image) override;
  bool ClearClipboard() override;
  std::uint64_t ChangeCount() override;
  bool WaitForChange(std::uint64_t seen, DWORD milliseconds) override;

 private:
  void Record(const char* kind, HWND hwnd, long long arg1 = 0, long long arg2 = 0,
              long long arg3 = 0, long long arg4 = 0, std::u16string text = {});
  void Changed();

  void Raise(HWND hwnd);  // m_mutex held

  mutable std::mutex m_mutex;
  std::condition_variable m_cvChange;
  std::map<std::uintptr_t, TWindow> m_mapWindows;
  std::vector<HWND> m_vecStacking;  // bottom to top
  std::map<unsigned long, SIZE> m_mapParentSizes;
  std::vector<TCall> m_vecCalls;
  std::uintptr_t m_nNextId = 0x10000;
  std::uint64_t m_nChanges = 0;
  int m_nEnumerations = 0;
  std::u16string m_strClipboardText;
  win32::TBitmapPixels m_clipboardImage;
  bool m_bClipboardImage = false;
  bool m_bClipboardText = false;
};

}  // namespace testing_support
