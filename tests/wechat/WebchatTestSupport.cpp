#include "WebchatTestSupport.h"

#include "platform/win32/Registry.h"
#include "platform/win32/Toolhelp.h"
#include "tests/support/Processes.h"
#include "tests/support/StandinEnvironment.h"
#include "tests/support/Wait.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace wechat_test {

namespace fs = std::filesystem;

void CReports::Add(TReport report) {
  report.tpWhen = std::chrono::steady_clock::now();
  std::lock_guard<std::mutex> lock(m_mutex);
  m_vecReports.push_back(std::move(report));
  m_cv.notify_all();
}

std::vector<TReport> CReports::All() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_vecReports;
}

bool CReports::WaitFor(const std::function<bool(const TReport&)>& match, int timeoutMs) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    for (const TReport& report : m_vecReports)
      if (match(report)) return true;
    return false;
  });
}

int CReports::Count(const std::string& kind) {
  std::lock_guard<std::mutex> lock(m_mutex);
  int count = 0;
  for (const TReport& report : m_vecReports) count += report.strKind == kind;
  return count;
}

bool CReports::WaitForCount(const std::string& kind, int count, int timeoutMs) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return std::count_if(m_vecReports.begin(), m_vecReports.end(),
                         [&](const TReport& report) { return report.strKind == kind; }) >= count;
  });
}

void CReports::BlockUiCallbacks(bool block) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_bBlock = block;
  m_vecReports.clear();
  m_cv.notify_all();
}

void CReports::WaitWhileBlocked() {
  std::unique_lock<std::mutex> lock(m_mutex);
  // Bounded: a test that forgets to release must not hang the manager's thread for ever.
  m_cv.wait_for(lock, std::chrono::seconds(60), [&] { return !m_bBlock; });
}

CReports& Reports() {
  static CReports reports;
  return reports;
}

TReport MakeReport(const std::string& kind, const std::string& key) {
  TReport report;
  report.strKind = kind;
  report.strKey = key;
  return report;
}

void UiCallback(void*, const std::string& key, HWND login, HWND main) {
  TReport report = MakeReport("ui", key);
  report.hLogin = login;
  report.hMain = main;
  Reports().Add(report);
  Reports().WaitWhileBlocked();
}

void CfgCallback(void*, const std::string& key, const WECHATCFGDATA& cfg) {
  TReport report = MakeReport("cfg", key);
  report.cfg = cfg;
  Reports().Add(report);
}

void CExitRecorder::OnWeChatExit(const std::string& key) {
  Reports().Add(MakeReport("exit", key));
}

BOOL COwnerWindow::Post(HWND hwnd, UINT msg, WPARAM, LPARAM) {
  if (hwnd != Handle()) return FALSE;
  TReport report = MakeReport("post", "");
  report.uMsg = msg;
  Reports().Add(report);
  return TRUE;
}

BOOL COwnerWindow::GetWindowRect(HWND, RECT* rect) {
  *rect = RECT{0, 0, 1000, 700};
  return TRUE;
}

BOOL COwnerWindow::GetClientRect(HWND, RECT* rect) {
  *rect = RECT{0, 0, 1000, 700};
  return TRUE;
}

void ManagerTest::SetUp() {
  m_folder = std::make_unique<testing_support::TempDir>("wechat_man");
  m_root = m_folder->path();
  fs::create_directories(m_root / "home" / ".config");
  SetEnv("HOME", (m_root / "home").string());
  SetEnv("XDG_CONFIG_HOME", (m_root / "home" / ".config").string());
  SetEnv("TC_HKCU_FILE", (m_root / "hkcu.ini").string());
  SetEnv("TC_HKLM_FILE", (m_root / "hklm.ini").string());
  WriteHklmDisplayIcon("\"" + WriteClientScript() + "\"");
  win32::SetDesktopBackend(&m_desktop);
  win32::SetOwnWindowBackend(&m_owner);
  m_desktop.SetParentClientSize(0x9000, 800, 600);
  Reports().BlockUiCallbacks(false);
  CWebchatEngine::InitEnv(UiCallback, CfgCallback, nullptr);
}

void ManagerTest::TearDown() {
  Reports().BlockUiCallbacks(false);
  m_manager.reset();
  CWebchatEngine::InitEnv(nullptr, nullptr, nullptr);
  win32::SetOwnWindowBackend(nullptr);
  win32::SetDesktopBackend(nullptr);
  win32::SetProcessTableSource({});
  m_env.reset();
  m_folder.reset();
}

std::string ManagerTest::WriteClientScript() {
  fs::path script = m_root / "bin dir" / "fakeclient";
  fs::create_directories(script.parent_path());
  std::ofstream(script) << "#!/bin/sh\nexec sleep 120\n";
  ::chmod(script.c_str(), 0755);
  return script.string();
}

void ManagerTest::SetEnv(const std::string& name, const std::string& value) {
  if (!m_env) m_env = std::make_unique<testing_support::ScopedEnv>();
  m_env->Set(name, value);
}

bool ManagerTest::WaitForSearches(int searches) {
  const int start = m_desktop.EnumerationCount();
  // A search starts on every desktop change and at least every half second.
  return testing_support::WaitUntil(
      [&] { return m_desktop.EnumerationCount() >= start + searches; }, 3000 + searches * 500);
}

void ManagerTest::RunWithMainWindow(const std::string& key, HWND* main) {
  ASSERT_TRUE(Manager().RunWeChat(key.c_str()));
  const HWND window = m_desktop.AddWindow(kWeChatMainWndClass, ProcessOf(key), {0, 0, 1000, 700});
  *main = window;
  ASSERT_TRUE(Reports().WaitFor(
      [&](const TReport& r) { return r.strKind == "ui" && r.hMain == window; }, 3000));
}

void ManagerTest::WriteHklmDisplayIcon(const std::string& value) {
  ASSERT_TRUE(testing_support::RegisterClientProgram(value));
}

void ManagerTest::WriteAccount(const std::string& id, const std::string& nickname) {
  fs::path data = m_root / "data";
  fs::create_directories(data / "WeChat Files" / id / "config");
  auto entry = [](int key, const std::string& value) {
    std::string bytes = {0x1A, static_cast<char>(value.size() + 4), 0x08, static_cast<char>(key),
                         0x12, static_cast<char>(value.size())};
    return bytes + value;
  };
  std::ofstream(data / "WeChat Files" / id / "config" / "AccInfo.dat", std::ios::binary)
      << entry(0x02, "hd") << entry(0x04, id) << entry(0x0A, nickname);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Tencent\\WeChat", 0, nullptr, 0,
                            KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  std::string value = data.string();
  RegSetValueExA(key, "FileSavePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

CWebchatEngine& ManagerTest::Manager() {
  if (!m_manager) m_manager.emplace(&m_sink, HostWnd());
  return *m_manager;
}

DWORD ManagerTest::ProcessOf(const std::string& key) {
  WECHATRUNDATA data;
  return Manager().GetWeChatRunData(data, key) ? data.dwProcessId : 0;
}

bool ManagerTest::ProcessAlive(DWORD pid) {
  // A zombie counts as gone: only a reaped or exited process is what the stop promises.
  return testing_support::ProcessAlive(static_cast<int>(pid));
}

}  // namespace wechat_test
