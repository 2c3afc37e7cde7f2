// Shared set-up of the copies engine's unit tests (and of the manager's in tests/mainframe): a
// private home and hives, an in-memory desktop, a client program that only sleeps, a sink and
// callbacks that record every report, and an owner window that records what is posted to it.
#pragma once

#include "tests/support/StubOwnWindowBackend.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "platform/win32/Window.h"
#include "wechat/WebchatEngine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace wechat_test {

// One callback call or posted message, in arrival order.
struct TReport {
  std::string strKind;  // "ui", "cfg", "exit" (the engine's sink), "post" (to the owner)
  std::string strKey;
  HWND hLogin = nullptr;
  HWND hMain = nullptr;
  WECHATCFGDATA cfg;
  UINT uMsg = 0;
  std::chrono::steady_clock::time_point tpWhen;
};

class CReports {
 public:
  void Add(TReport report);
  std::vector<TReport> All();
  // Waits until a report satisfies the predicate; false after the timeout.
  bool WaitFor(const std::function<bool(const TReport&)>& match, int timeoutMs);
  int Count(const std::string& kind);
  // Waits until there are at least `count` reports of the kind; false after the timeout.
  bool WaitForCount(const std::string& kind, int count, int timeoutMs);
  // Makes the next ui callback block until Release (a thread that does not answer).
  void BlockUiCallbacks(bool block);

  void WaitWhileBlocked();

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::vector<TReport> m_vecReports;
  bool m_bBlock = false;
};

CReports& Reports();
void UiCallback(void* context, const std::string& key, HWND login, HWND main);
void CfgCallback(void* context, const std::string& key, const WECHATCFGDATA& cfg);

// The engine's sink: records each exit report as "exit" with its key.
class CExitRecorder : public IWebchatEngineSink {
 public:
  void OnWeChatExit(const std::string& key) override;
};

// An own-window backend that knows one window (the owner) and records its posted messages.
class COwnerWindow : public testing_support::CStubOwnWindowBackend {
 public:
  static HWND Handle() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x7000)); }
  bool IsOwn(HWND hwnd) override { return hwnd == Handle(); }
  BOOL Post(HWND hwnd, UINT msg, WPARAM, LPARAM) override;
  BOOL GetWindowRect(HWND, RECT* rect) override;
  BOOL GetClientRect(HWND, RECT* rect) override;
};

// The host window in these tests: a foreign id the fake desktop re-parents into.
inline HWND HostWnd() {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x9000));
}

class ManagerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The client program: a script that sleeps (exec, so that killing it leaves nothing).
  std::string WriteClientScript();
  void SetEnv(const std::string& name, const std::string& value);
  void WriteHklmDisplayIcon(const std::string& value);
  // A data folder whose account file carries id and nickname.
  void WriteAccount(const std::string& id, const std::string& nickname);
  // The engine with the recording sink and the host window; no window of the UI library.
  CWebchatEngine& Manager();
  DWORD ProcessOf(const std::string& key);
  // Starts the copy `key` and gives it a 1000 x 700 main window, once the manager reported
  // it (fatal failure otherwise).
  void RunWithMainWindow(const std::string& key, HWND* main);
  static bool ProcessAlive(DWORD pid);
  // Waits until the discovery threads have searched the desktop `searches` more times (each
  // search is one pass over the windows), so that a change made before has been seen by a
  // whole search: how a test shows that a search found nothing to report. False on time-out.
  bool WaitForSearches(int searches);

  std::unique_ptr<testing_support::TempDir> m_folder;
  std::filesystem::path m_root;
  testing_support::FakeDesktop m_desktop;
  COwnerWindow m_owner;
  CExitRecorder m_sink;
  std::optional<CWebchatEngine> m_manager;
  std::unique_ptr<testing_support::ScopedEnv> m_env;
};

}  // namespace wechat_test
