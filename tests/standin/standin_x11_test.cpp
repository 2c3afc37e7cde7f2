// The stand-in client on a real X server (tc_add_x11_test runs it bare and under
// openbox): window classes and process, the data folder in the registry, the account files
// written at login, logging out and exiting on request. Without DISPLAY every test skips.
#include "platform/win32/Process.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Sync.h"
#include "platform/win32/Window.h"
#include "tests/support/TempDir.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using testing_support::WaitUntil;

struct TFind {
  DWORD dwPid;
  std::string strClass;
  HWND hFound;
};

BOOL FindOfProcess(HWND hwnd, LPARAM lParam) {
  auto* find = reinterpret_cast<TFind*>(lParam);
  char name[260] = {};
  GetClassNameA(hwnd, name, sizeof name);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != find->dwPid || name != find->strClass || !IsWindowVisible(hwnd)) return TRUE;
  find->hFound = hwnd;
  return FALSE;
}

HWND FindWindowOf(DWORD pid, const std::string& className) {
  TFind find{pid, className, nullptr};
  EnumWindows(FindOfProcess, reinterpret_cast<LPARAM>(&find));
  return find.hFound;
}

std::string ReadFileSavePath() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Tencent\\WeChat", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return {};
  char value[260] = {};
  DWORD size = sizeof value;
  RegQueryValueExA(key, "FileSavePath", nullptr, nullptr, reinterpret_cast<LPBYTE>(value), &size);
  RegCloseKey(key);
  return value;
}

class StandinX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY") || !win32::GetDesktopBackend()) GTEST_SKIP() << "no X display";
    setenv("TC_HKCU_FILE", dir.file("hkcu.ini").c_str(), 1);
  }
  void TearDown() override {
    if (info.hProcess) {
      TerminateProcess(info.hProcess, 0);
      CloseHandle(info.hProcess);
      CloseHandle(info.hThread);
    }
  }

  void Start(const std::string& arguments) {
    std::string commandLine =
        "\"" TC_STANDIN_PATH "\" --data-root \"" + dir.file("data") + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info));
  }

  testing_support::TempDir dir;
  PROCESS_INFORMATION info{};
};

TEST_F(StandinX11Test, LoginWritesTheAccountFilesAndShowsTheMainWindow) {
  Start("--account wxid_s1 --nickname Nick1 --avatar http://127.0.0.1/a.png");
  HWND login = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] { return (login = FindWindowOf(info.dwProcessId, "WeChatLoginWndForPC")) != nullptr; },
      10000));
  EXPECT_EQ(ReadFileSavePath(), dir.file("data"));
  const std::string accInfo = dir.file("data") + "/WeChat Files/wxid_s1/config/AccInfo.dat";
  EXPECT_FALSE(std::filesystem::exists(accInfo));  // not before the login
  kill(static_cast<pid_t>(info.dwProcessId), SIGUSR2);
  HWND main = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] { return (main = FindWindowOf(info.dwProcessId, "WeChatMainWndForPC")) != nullptr; },
      10000));
  EXPECT_TRUE(std::filesystem::exists(accInfo));
  EXPECT_TRUE(
      std::filesystem::exists(dir.file("data") + "/WeChat Files/All Users/config/config.data"));
  EXPECT_NE(testing_support::ReadText(accInfo).find("Nick1"), std::string::npos);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(login); }, 5000));  // the login window is gone
}

TEST_F(StandinX11Test, LogsOutAndExitsWhenTold) {
  Start("--account wxid_s2 --login-delay 0 --logout-after 300 --exit-after 2500");
  HWND main = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] { return (main = FindWindowOf(info.dwProcessId, "WeChatMainWndForPC")) != nullptr; },
      10000));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(main); }, 5000));
  EXPECT_TRUE(WaitUntil(
      [&] { return FindWindowOf(info.dwProcessId, "WeChatLoginWndForPC") != nullptr; }, 5000));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(info.hProcess, &code);
  EXPECT_EQ(code, 0u);
}

TEST_F(StandinX11Test, SizesComeFromTheOptions) {
  Start("--login-size 320x480");
  HWND login = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] { return (login = FindWindowOf(info.dwProcessId, "WeChatLoginWndForPC")) != nullptr; },
      10000));
  RECT rect{};
  ASSERT_TRUE(GetWindowRect(login, &rect));
  EXPECT_EQ(rect.right - rect.left, 320);
  EXPECT_EQ(rect.bottom - rect.top, 480);
}

TEST_F(StandinX11Test, BadOptionsEndTheProgramWithAnError) {
  Start("--login-delay soon");
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  EXPECT_EQ(code, 2u);
}

}  // namespace
