// Test kit of the small windows: a fresh program and per-user folder (sys.cfg pointing at a
// reference server on loopback, the real skins linked in), recorded message boxes and
// "open" requests, and helpers that act on a window's controls as an operator would.
#pragma once

#include "platform/ui/UIlib.h"
#include "tests/refserver/RefServerHarness.h"
#include "tests/server/CannedServer.h"

#include <functional>
#include <string>
#include <vector>

namespace windows_test {

struct TShownBox {
  std::string text;
  std::string caption;
  UINT type;
};

class CWindowsTest : public CServerTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the program folder's user.dat (OPTION/AutoPlay) and the per-user one.
  void WriteProgramUserDat(const std::string& content);
  void WriteUserDat(const std::string& content);
  std::string UserDat() const { return ReadFile(UserFolder() + "user.dat"); }
  std::string SmsCode(const std::string& phone);
  int Port() const { return m_refServer.Port(); }

  // Creates a window of ours on the offscreen platform; false when it failed.
  static bool Open(DuiLib::WindowImplBase& window, DWORD style = WS_POPUP | WS_VISIBLE);
  // Acts on a control by name, as the operator does: click, or focus, type and leave.
  static void Click(DuiLib::WindowImplBase& window, const char* name);
  static void Type(DuiLib::WindowImplBase& window, const char* name, const std::string& text);
  static void Notify(DuiLib::WindowImplBase& window, const char* name, const char* type);
  // A key pressed while the window (or an edit in it) has the focus: true when the window
  // took it.
  static bool PressKey(DuiLib::WindowImplBase& window, WPARAM vk);
  static DuiLib::CControlUI* Find(DuiLib::WindowImplBase& window, const char* name);
  static std::string Text(DuiLib::WindowImplBase& window, const char* name);
  static bool Visible(DuiLib::WindowImplBase& window, const char* name);
  static DWORD TextColor(DuiLib::WindowImplBase& window, const char* name);
  // Runs the GUI thread's queue until done() (at most 5 s).
  static bool PumpUntil(const std::function<bool()>& done);
  static bool PumpUntilClosed(HWND hwnd);

  // Answer of the next message boxes (IDOK by default).
  int m_nBoxAnswer = IDOK;
  std::vector<TShownBox> m_vecBoxes;
  std::vector<std::string> m_vecOpened;
  refserver::test::CTestServer m_refServer{[](refserver::TServerOptions& o) {
    o.bSeed = true;
    o.nWechatQuantity = 3;
  }};
};

}  // namespace windows_test
