#include "tests/windows/WindowsTestSupport.h"

#include "server/SignInValues.h"
#include "tests/support/GuiWait.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace DuiLib;

namespace windows_test {

void CWindowsTest::SetUp() {
  CServerTest::SetUp();
  const char* programDir = std::getenv("TC_PROGRAM_DIR");
  ASSERT_NE(programDir, nullptr);
  std::filesystem::create_directory_symlink(std::string(programDir) + "/skin",
                                            Root() + "/program/skin");
  WriteFile(Root() + "/program/sys.cfg", "[SYSTEM]\nWebServer=http://127.0.0.1:" +
                                             std::to_string(Port()) + "/\nVERSION=1.0.0\n");
  SetSignInValues(InitialSignInValues());
  SetMessageBoxHook([this](HWND, const std::string& text, const std::string& caption, UINT type) {
    m_vecBoxes.push_back({text, caption, type});
    return m_nBoxAnswer;
  });
  SetShellExecuteHook([this](const std::string&, const std::string& file, const std::string&) {
    m_vecOpened.push_back(file);
    return true;
  });
}

void CWindowsTest::TearDown() {
  SetMessageBoxHook({});
  SetShellExecuteHook({});
  PumpMessages();
  CServerTest::TearDown();
}

void CWindowsTest::WriteProgramUserDat(const std::string& content) {
  WriteFile(Root() + "/program/user.dat", content);
}

void CWindowsTest::WriteUserDat(const std::string& content) {
  WriteFile(UserFolder() + "user.dat", content);
}

std::string CWindowsTest::SmsCode(const std::string& phone) {
  return refserver::test::CApiClient(Port()).ReadSmsCode(m_refServer.DataDir(), phone);
}

bool CWindowsTest::Open(WindowImplBase& window, DWORD style) {
  return window.Create(nullptr, "test", style, 0, 0, 0, 0, 0) != nullptr;
}

bool CWindowsTest::PressKey(WindowImplBase& window, WPARAM vk) {
  MSG msg{};
  msg.hwnd = window.GetHWND();
  msg.message = WM_KEYDOWN;
  msg.wParam = vk;
  return CPaintManagerUI::TranslateMessage(&msg);
}

CControlUI* CWindowsTest::Find(WindowImplBase& window, const char* name) {
  return window.GetPaintManager().FindControl(name);
}

void CWindowsTest::Notify(WindowImplBase& window, const char* name, const char* type) {
  CControlUI* control = Find(window, name);
  ASSERT_NE(control, nullptr) << name;
  window.GetPaintManager().SendNotify(control, type);
}

void CWindowsTest::Click(WindowImplBase& window, const char* name) {
  Notify(window, name, DUI_MSGTYPE_CLICK);
}

void CWindowsTest::Type(WindowImplBase& window, const char* name, const std::string& text) {
  Notify(window, name, DUI_MSGTYPE_SETFOCUS);
  Find(window, name)->SetText(text.c_str());
  Notify(window, name, DUI_MSGTYPE_KILLFOCUS);
}

std::string CWindowsTest::Text(WindowImplBase& window, const char* name) {
  CControlUI* control = Find(window, name);
  return control ? control->GetText().str() : "<missing " + std::string(name) + ">";
}

bool CWindowsTest::Visible(WindowImplBase& window, const char* name) {
  CControlUI* control = Find(window, name);
  return control && control->IsVisible();
}

DWORD CWindowsTest::TextColor(WindowImplBase& window, const char* name) {
  auto* label = static_cast<CLabelUI*>(Find(window, name));
  return label ? label->GetTextColor() : 0;
}

bool CWindowsTest::PumpUntil(const std::function<bool()>& done) {
  return testing_support::PumpUntil(done, 5000, std::chrono::milliseconds(1));
}

bool CWindowsTest::PumpUntilClosed(HWND hwnd) {
  return PumpUntil([hwnd] { return !::IsWindow(hwnd); });
}

}  // namespace windows_test
