// Figures of the quick-message library:
//  1. 10,000 messages in 200 groups from the reference server into the tree: time from the
//     list reply's arrival to the last node laid out (goal: under 300 ms), and the RSS the
//     library adds (goal: under 30 MB);
//  2. with an X display: a 5-item quick reply sent item by item through the send queue into a
//     stand-in client, wall time against the sum of its fixed waits (goal: at most 1.1x).
// Run it offscreen for part 1 alone, or on a private X server for both, e.g.
//   QT_QPA_PLATFORM=offscreen build/bench/shortcut/shortcut_bench
//   scripts/xvfb-run-wm.sh --wm openbox -- build/bench/shortcut/shortcut_bench
#include "app/Settings.h"
#include "bench/support/BenchServer.h"
#include "mainframe/WebchatMan.h"
#include "platform/ui/UIlib.h"
#include "platform/ui/window/MessageLoop.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Registry.h"
#include "refserver/Database.h"
#include "refserver/QuickMessageStore.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "shortcut/ImageCache.h"
#include "shortcut/ShortcutPanel.h"
#include "shortcut/ShortcutSender.h"
#include "shortcut/ShortcutWnd.h"
#include "tests/support/StandinEnvironment.h"

#include <QCoreApplication>

#include <log4cplus/logger.h>
#include <log4cplus/nullappender.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kGroups = 200;
constexpr int kMessagesPerGroup = 50;

double rssMegabytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void pumpFor(int ms) {
  const auto until = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < until) {
    DuiLib::PumpMessages();
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

std::string textDetail(const std::string& text, int sort) {
  return R"({"detailType":1,"msgDetail":"[{\"content\":\")" + text +
         R"(\",\"type\":\"1\"}]","sort":)" + std::to_string(sort) + "}";
}

void fillLibrary(const std::string& dbPath) {
  refserver::CDatabase db(dbPath);
  refserver::CQuickMessageStore store(db);
  const std::int64_t account = 1;  // the demo account, the first one
  for (int g = 0; g < kGroups; ++g) {
    const std::int64_t group = store.AddGroup(account, "分组" + std::to_string(g));
    for (int m = 0; m < kMessagesPerGroup; ++m) {
      Json::Value message;
      Json::Reader().parse(R"({"contentTitle":"快捷语)" + std::to_string(m) +
                               R"(","leftRange":2,"rightRange":200,"msgDetailList":[)" +
                               textDetail("亲，您好，这是第" + std::to_string(m) + "条回复", 1) +
                               "]}",
                           message);
      message["msgGroupId"] = std::to_string(group);
      store.AddMessage(account, message);
    }
  }
}

void benchLoad(const fs::path& root) {
  CBenchServer server(root, fillLibrary);
  CConnServer login;
  if (!CBenchServer::SignIn(login, "load: ")) return;
  StoreSignInValues(login);

  DuiLib::CPaintManagerUI pm;
  DuiLib::CDialogBuilder builder;
  DuiLib::CControlUI* rootControl =
      builder.Create(R"(<Window><TreeView name="shortcut_tree"/></Window>)", nullptr, nullptr, &pm);
  pm.AttachDialog(rootControl);
  pm.SetClientSize(300, 700);
  auto* tree = static_cast<DuiLib::CTreeViewUI*>(pm.FindControl("shortcut_tree"));

  std::vector<double> fills;
  std::vector<double> growths;
  int nodes = 0;
  for (int round = 0; round < 3; ++round) {
    tree->RemoveAll();
    pumpFor(50);
    const double rssBefore = rssMegabytes();
    bool done = false;
    Clock::time_point shown;
    CShortcutWnd wnd(tree, CShortcutWnd::kModeLoader);
    wnd.InitShortcutTree([&](bool) {
      pm.UpdateLayout();
      shown = Clock::now();
      done = true;
    });
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (!done && Clock::now() < deadline) {
      DuiLib::PumpMessages();
      QCoreApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (!done) {
      std::printf("load: the tree did not fill within 60 s\n");
      return;
    }
    fills.push_back(
        std::chrono::duration<double, std::milli>(shown - wnd.GetLoader()->ReplyArrivedAt())
            .count());
    nodes = tree->GetCount();
    growths.push_back(rssMegabytes() - rssBefore);
  }
  std::sort(fills.begin(), fills.end());
  std::printf(
      "load: %d groups, %d messages (%d nodes): reply arrival to last node laid out median "
      "%.1f ms (min %.1f, max %.1f; goal < 300 ms); RSS growth %.1f MB at the first load, "
      "%.1f MB at a repeated one (goal < 30 MB)\n",
      kGroups, kGroups * kMessagesPerGroup, nodes, fills[1], fills.front(), fills.back(),
      growths.front(), growths.back());
  tree->RemoveAll();
  server.Stop();
}

// The frame's part of a send: the selected copy, the manager and timer 3.
class CBenchFrame : public IShortcutTarget, public DuiLib::CWindowWnd {
 public:
  explicit CBenchFrame(std::string key) : m_key(std::move(key)) {}
  std::string SelectedKey() override { return m_key; }
  std::string CurrentKey() override { return m_pManager->GetCurrWeChat(); }
  bool InputTextVec(const std::string& key, const std::vector<INPUTDATA>& items) override {
    return m_pManager->InputTextVec(key.c_str(), items);
  }
  void SendCurrText(const std::string& key) override { m_pManager->SendCurrText(key.c_str()); }
  bool SendImageByCopy(const std::string& key, const std::string& path) override {
    return m_pManager->SendImageByCopy(key.c_str(), path.c_str());
  }
  void ShowMessage(const std::string& text, const std::string&, UINT) override {
    std::printf("send: box \"%s\"\n", text.c_str());
  }
  void StartSendTimer(UINT ms) override {
    ::SetTimer(GetHWND(), CShortcutPanel::kSendTimerId, ms, nullptr);
  }

  CWebchatMan* m_pManager = nullptr;
  CShortcutSender* m_pSender = nullptr;
  // Start and end of every step of the send in progress.
  std::vector<std::pair<Clock::time_point, Clock::time_point>> m_vecSteps;
  bool m_bMainWindow = false;

 protected:
  LPCTSTR GetWindowClassName() const override { return "TandemChat"; }
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
    if (uMsg == WM_TIMER && wParam == CShortcutPanel::kSendTimerId) {
      ::KillTimer(GetHWND(), CShortcutPanel::kSendTimerId);
      if (!m_pSender) return 0;
      const auto start = Clock::now();
      m_pSender->Step();
      m_vecSteps.push_back({start, Clock::now()});
      return 0;
    }
    if (uMsg == WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT ||
        uMsg == WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT) {
      delete reinterpret_cast<std::string*>(wParam);
      m_bMainWindow = m_bMainWindow || uMsg == WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT;
      return 0;
    }
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
  }

 private:
  std::string m_key;
};

class CHostWindow : public DuiLib::CWindowWnd {
 protected:
  LPCTSTR GetWindowClassName() const override { return "webchat"; }
};

void onWindowFound(void* context, const std::string& key, HWND login, HWND main) {
  if (!main && !login) return;
  auto* payload = new std::string(key);
  const UINT msg =
      main ? WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT : WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT;
  if (!PostMessageA(static_cast<HWND>(context), msg, reinterpret_cast<WPARAM>(payload),
                    reinterpret_cast<LPARAM>(main ? main : login)))
    delete payload;
}

void writePicture(const std::string& path) {
  // 32x32 24-bit bitmap, grey.
  std::string bytes(54 + 32 * 32 * 3, '\x80');
  const unsigned char header[54] = {'B', 'M', 0x36, 0x0C, 0,  0, 0, 0,    0,  0, 54, 0, 0, 0,
                                    40,  0,   0,    0,    32, 0, 0, 0,    32, 0, 0,  0, 1, 0,
                                    24,  0,   0,    0,    0,  0, 0, 0x0C, 0,  0, 0,  0, 0, 0,
                                    0,   0,   0,    0,    0,  0, 0, 0,    0,  0, 0,  0};
  std::copy(std::begin(header), std::end(header), bytes.begin());
  std::ofstream(path, std::ios::binary) << bytes;
}

void benchSend(const fs::path& root) {
  const char* programDir = std::getenv("TC_PROGRAM_DIR");
  const std::string standin = programDir ? std::string(programDir) + "/standin"
                                         : (fs::current_path() / "program/standin").string();
  testing_support::SetStandinEnvironment(root);
  ::setenv("TC_STANDIN_ACCOUNT", "wxid_bench_send", 1);
  testing_support::RegisterClientProgram(standin);

  const std::string copy = "BENCH-SEND";
  auto frame = std::make_unique<CBenchFrame>(copy);
  frame->Create(nullptr, "TandemChat", UI_WNDSTYLE_FRAME, 0, 0, 0, 1000, 700);
  auto host = std::make_unique<CHostWindow>();
  host->Create(frame->GetHWND(), "WebChatMan", UI_WNDSTYLE_CHILD, 0, 0, 0, 50, 50);
  CWebchatMan::InitEnv(onWindowFound, nullptr, frame->GetHWND());
  auto manager = std::make_unique<CWebchatMan>(frame->GetHWND(), host->GetHWND());
  frame->m_pManager = manager.get();
  manager->SetPos(RECT{100, 50, 900, 650});
  manager->RunWeChat(copy.c_str());
  manager->SwitchWeChat(copy.c_str());
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (!frame->m_bMainWindow && Clock::now() < deadline) pumpFor(50);
  if (!frame->m_bMainWindow) {
    std::printf("send: the stand-in's main window did not appear\n");
    return;
  }
  pumpFor(500);

  // Four text items and a picture already in the cache: five chat messages.
  writePicture(CImageCache::Folder() + "bench.bmp");
  const std::string message =
      R"({"contentTitle":"五条","msgDetailList":[)" + textDetail("你好", 1) + "," +
      textDetail("欢迎光临", 2) +
      R"(,{"detailType":2,"msgDetail":"bench.bmp","downLoadURL":"","sort":3},)" +
      textDetail("包邮", 4) + "," + textDetail("再见", 5) + "]}";
  // Fixed waits: a text item clears (2 x 20 ms) and pastes (50 ms); the picture activates
  // around its click (2 x 20 ms) and clears (20 ms); 10 ms of timer 3 between items.
  const double fixedMs = 4 * 90 + 60 + 4 * 10;
  CShortcutSender sender(*frame, &CShortcutItems::CachedPicture);
  frame->m_pSender = &sender;
  std::vector<double> walls;
  for (int round = 0; round < 7; ++round) {
    pumpFor(200);
    const auto start = Clock::now();
    frame->m_vecSteps.clear();
    sender.Start(message);
    frame->m_vecSteps.insert(frame->m_vecSteps.begin(), {start, Clock::now()});
    const auto limit = start + std::chrono::seconds(10);
    while (sender.IsSending() && Clock::now() < limit) {
      DuiLib::PumpMessages();
      QCoreApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    walls.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    // Where the time goes: each item's input, and the gaps of timer 3 between them.
    std::string steps;
    double gaps = 0;
    for (size_t i = 0; i < frame->m_vecSteps.size(); ++i) {
      const auto& [begin, end] = frame->m_vecSteps[i];
      steps += " " + std::to_string(static_cast<int>(
                         std::chrono::duration<double, std::milli>(end - begin).count()));
      if (i > 0)
        gaps += std::chrono::duration<double, std::milli>(begin - frame->m_vecSteps[i - 1].second)
                    .count();
    }
    if (round == 0)
      std::printf("send: items (ms):%s; gaps of timer 3: %.1f ms in all\n", steps.c_str(), gaps);
  }
  std::sort(walls.begin(), walls.end());
  std::printf(
      "send: 5-item quick reply: median %.1f ms (min %.1f, max %.1f) against %.0f ms of fixed "
      "waits = %.3fx (goal <= 1.1x)\n",
      walls[walls.size() / 2], walls.front(), walls.back(), fixedMs,
      walls[walls.size() / 2] / fixedMs);
  frame->m_pSender = nullptr;
  manager.reset();
  host.reset();
  frame.reset();
}

}  // namespace

int main() {
  const fs::path root =
      fs::temp_directory_path() / ("shortcut_bench_" + std::to_string(::getpid()));
  fs::create_directories(root / "home" / ".config");
  fs::create_directories(root / "program");
  ::setenv("HOME", (root / "home").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (root / "home" / ".config").c_str(), 1);
  SetProgramFolder((root / "program").string() + "/");
  GetUserDataFolder();  // reply files and the picture cache live there
  log4cplus::Logger::getRoot().addAppender(
      log4cplus::SharedAppenderPtr(new log4cplus::NullAppender));
  if (!std::getenv("DISPLAY")) ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  DuiLib::InstallOwnWindowBackend();
  benchLoad(root);
  if (std::getenv("DISPLAY") && std::string(std::getenv("QT_QPA_PLATFORM") ?: "") != "offscreen")
    benchSend(root);
  else
    std::printf("send: needs an X display (run under scripts/xvfb-run-wm.sh)\n");
  fs::remove_all(root);
  return 0;
}
