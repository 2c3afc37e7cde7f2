// The manager against real stand-in clients on a real X server (started around this program
// by scripts/xvfb-run-wm.sh, bare or with openbox). The tests share one frame window, one
// manager and the copies it runs, and build on each other in the order written.
#include "mainframe/WebchatMan.h"
#include "platform/ui/window/WindowWnd.h"
#include "platform/ui/window/MessageLoop.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Process.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Window.h"
#include "tests/support/GuiWait.h"
#include "tests/support/Processes.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing_support::Pump;
using testing_support::PumpUntil;

constexpr int kCopies = 3;
constexpr int kHostWidth = 800;
constexpr int kHostHeight = 600;
constexpr int kHostLeft = 100;
constexpr int kHostTop = 50;

// One message the frame received from the manager (through the callbacks or directly).
struct TFrameMessage {
  UINT uMsg = 0;
  std::string strKey;
  HWND hWnd = nullptr;
  WECHATCFGDATA cfg;
  Clock::time_point tpWhen;
};

// The main frame's part: receives 0x402..0x405 and owns their payloads.
class CFrameWindow : public DuiLib::CWindowWnd {
 public:
  std::vector<TFrameMessage> m_vecMessages;

 protected:
  LPCTSTR GetWindowClassName() const override { return "TandemChat"; }
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
    if (uMsg < WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT || uMsg > WM_USER_MSG_MAINFRAME_WECHATEXIT)
      return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
    TFrameMessage message;
    message.uMsg = uMsg;
    message.tpWhen = Clock::now();
    std::unique_ptr<std::string> key(reinterpret_cast<std::string*>(wParam));
    if (key) message.strKey = *key;
    if (uMsg == WM_USER_MSG_MAINFRAME_WECHATCFGDATAGOT) {
      std::unique_ptr<WECHATCFGDATA> cfg(reinterpret_cast<WECHATCFGDATA*>(lParam));
      message.cfg = *cfg;
    } else {
      message.hWnd = reinterpret_cast<HWND>(lParam);
    }
    m_vecMessages.push_back(message);
    return 0;
  }
};

class CHostWindow : public DuiLib::CWindowWnd {
 protected:
  LPCTSTR GetWindowClassName() const override { return "webchat"; }
};

// The callbacks as the main frame gives them: each report becomes a posted message.
void OnWindowFound(void* context, const std::string& key, HWND login, HWND main) {
  HWND frame = static_cast<HWND>(context);
  UINT msg = main ? WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT : WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT;
  if (!main && !login) return;
  auto* payload = new std::string(key);
  if (!PostMessageA(frame, msg, reinterpret_cast<WPARAM>(payload),
                    reinterpret_cast<LPARAM>(main ? main : login)))
    delete payload;
}

void OnProfileRead(void* context, const std::string& key, const WECHATCFGDATA& cfg) {
  auto* payload = new std::string(key);
  auto* profile = new WECHATCFGDATA(cfg);
  if (!PostMessageA(static_cast<HWND>(context), WM_USER_MSG_MAINFRAME_WECHATCFGDATAGOT,
                    reinterpret_cast<WPARAM>(payload), reinterpret_cast<LPARAM>(profile))) {
    delete payload;
    delete profile;
  }
}

bool ProcessAlive(DWORD pid) {
  return testing_support::ProcessAlive(static_cast<int>(pid));
}

RECT WindowRect(HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  return rect;
}

std::string Describe(const RECT& r) {
  std::ostringstream text;
  text << r.left << "," << r.top << " " << (r.right - r.left) << "x" << (r.bottom - r.top);
  return text.str();
}

// Processes started for this run: their environment names this run's data folder.
std::vector<DWORD> ProcessesOfThisRun(const std::string& marker) {
  const std::vector<int> found = testing_support::ProcessesWithEnvironment(marker);
  return std::vector<DWORD>(found.begin(), found.end());
}

BOOL DescribeWindow(HWND hwnd, LPARAM lParam) {
  char className[MAX_PATH] = {};
  GetClassNameA(hwnd, className, sizeof(className));
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  *reinterpret_cast<std::string*>(lParam) += std::string(className) + " pid " +
                                             std::to_string(pid) +
                                             (IsWindowVisible(hwnd) ? " visible\n" : " hidden\n");
  return TRUE;
}

// The top-level windows, for the message of a failed wait.
std::string DescribeDesktop() {
  std::string text = "top-level windows:\n";
  EnumWindows(DescribeWindow, reinterpret_cast<LPARAM>(&text));
  return text;
}

// Another program's view of the keyboard map: its spare keycodes (without symbols), and
// taking them all for itself as a second typing program would.
class CKeymapNeighbour {
 public:
  CKeymapNeighbour() : m_pDisplay(XOpenDisplay(nullptr)) {}
  ~CKeymapNeighbour() {
    GiveBack();
    if (m_pDisplay) XCloseDisplay(m_pDisplay);
  }
  std::vector<int> SpareKeycodes() {
    std::vector<int> spare;
    if (!m_pDisplay) return spare;
    int minKeycode = 0, maxKeycode = 0, perKeycode = 0;
    XDisplayKeycodes(m_pDisplay, &minKeycode, &maxKeycode);
    KeySym* map = XGetKeyboardMapping(m_pDisplay, static_cast<KeyCode>(minKeycode),
                                      maxKeycode - minKeycode + 1, &perKeycode);
    for (int keycode = minKeycode; map && keycode <= maxKeycode; ++keycode) {
      const KeySym* syms = map + (keycode - minKeycode) * perKeycode;
      if (std::all_of(syms, syms + perKeycode, [](KeySym s) { return s == NoSymbol; }))
        spare.push_back(keycode);
    }
    if (map) XFree(map);
    return spare;
  }
  void TakeAll() {
    for (int keycode : SpareKeycodes()) {
      KeySym syms[2] = {XK_F35, XK_F35};
      XChangeKeyboardMapping(m_pDisplay, keycode, 2, syms, 1);
      m_vecTaken.push_back(keycode);
    }
    XSync(m_pDisplay, False);
  }
  void GiveBack() {
    for (int keycode : m_vecTaken) {
      KeySym none[2] = {NoSymbol, NoSymbol};
      XChangeKeyboardMapping(m_pDisplay, keycode, 2, none, 1);
    }
    m_vecTaken.clear();
    if (m_pDisplay) XSync(m_pDisplay, False);
  }

 private:
  Display* m_pDisplay;
  std::vector<int> m_vecTaken;
};

// Names the program the manager starts as the chat client.
void RegisterClient(const std::string& program) {
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WeChat", 0, nullptr, 0,
                  KEY_WRITE, nullptr, &key, nullptr);
  std::string quoted = "\"" + program + "\"";
  RegSetValueExA(key, "DisplayIcon", 0, REG_SZ, reinterpret_cast<const BYTE*>(quoted.c_str()),
                 static_cast<DWORD>(quoted.size() + 1));
  RegCloseKey(key);
}

// Everything the tests share; set up once for the program.
struct TSession {
  fs::path root;
  std::string standin;
  std::string picture;
  std::string pictureFigures;  // "W H sha256" as the stand-in hashes it
  std::unique_ptr<CFrameWindow> frame;
  std::unique_ptr<CHostWindow> host;
  std::unique_ptr<CWebchatMan> manager;
  std::vector<std::string> keys;
  std::map<std::string, HWND> mainWindows;
  pid_t shellPid = -1;
  pid_t grabberPid = -1;  // a clipboard manager that fetches every new owner, when asked for
};

TSession* s_session = nullptr;

// Starts a program with its output in a file, without waiting for it.
pid_t SpawnLogged(const std::vector<std::string>& args, const fs::path& output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class WeChatE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();

  TSession& S() { return *s_session; }

  const TFrameMessage* Find(UINT msg, const std::string& key) {
    for (const TFrameMessage& m : S().frame->m_vecMessages)
      if (m.uMsg == msg && m.strKey == key) return &m;
    return nullptr;
  }
  bool WaitMessage(UINT msg, const std::string& key, int timeoutMs) {
    return PumpUntil([&] { return Find(msg, key) != nullptr; }, timeoutMs);
  }

  DWORD ProcessOf(const std::string& key) {
    WECHATRUNDATA data;
    return S().manager->GetWeChatRunData(data, key) ? data.dwProcessId : 0;
  }
  HWND DisplayOf(const std::string& key) {
    WECHATRUNDATA data;
    return S().manager->GetWeChatRunData(data, key) ? data.DisplayWnd() : nullptr;
  }

  // What the account list does on selection: hide the shown copy, switch, show the new one.
  void Select(const std::string& key) {
    std::string current = S().manager->GetCurrWeChat();
    if (HWND shown = current.empty() ? nullptr : DisplayOf(current)) ShowWindow(shown, SW_HIDE);
    S().manager->SwitchWeChat(key.c_str());
    if (HWND display = DisplayOf(key)) ShowWindow(display, SW_SHOW);
  }

  // Lines of a copy's transcript.
  std::vector<Json::Value> Transcript(DWORD pid) {
    std::vector<Json::Value> lines;
    std::ifstream file(S().root / ("transcript-" + std::to_string(pid) + ".jsonl"));
    std::string line;
    Json::CharReaderBuilder builder;
    while (std::getline(file, line)) {
      Json::Value value;
      std::string errors;
      std::istringstream stream(line);
      if (Json::parseFromStream(builder, stream, &value, &errors)) lines.push_back(value);
    }
    return lines;
  }

  // Types the reply into the key's copy and sends it; returns the new transcript line.
  Json::Value SendReply(const std::string& key) {
    DWORD pid = ProcessOf(key);
    size_t before = Transcript(pid).size();
    std::vector<INPUTDATA> items = {
        {u"你好，世界", 0}, {u"😀👍", 0}, {u"好的😀", 1}, {Utf8ToWide(S().picture), 2}};
    EXPECT_TRUE(S().manager->InputTextVec(key.c_str(), items));
    S().manager->SendCurrText(key.c_str());
    if (!PumpUntil([&] { return Transcript(pid).size() > before; }, 5000)) return Json::Value();
    return Transcript(pid).back();
  }

  std::vector<DWORD> ProcessesOfThisRun() {
    return ::ProcessesOfThisRun("TC_STANDIN_DATA_ROOT=" + (S().root / "data").string());
  }

  bool IsExactReply(const Json::Value& line) {
    const Json::Value& items = line["items"];
    if (items.size() != 2) return false;
    std::ostringstream figures;
    figures << items[1]["width"].asInt() << " " << items[1]["height"].asInt() << " "
            << items[1]["sha256"].asString();
    return items[0]["type"].asString() == "text" &&
           items[0]["text"].asString() == "你好，世界😀👍好的😀" &&
           items[1]["type"].asString() == "image" && figures.str() == S().pictureFigures;
  }
};

void WeChatE2E::SetUpTestSuite() {
  s_session = new TSession;
  TSession& s = *s_session;
  s.root = fs::temp_directory_path() / ("wechat_e2e_" + std::to_string(::getpid()));
  fs::remove_all(s.root);
  fs::create_directories(s.root / "home" / ".config");
  // As under a desktop shell that keeps the clipboard: every item offered is fetched at once
  // by a program other than the client. Started before the run's environment is set: it is
  // none of the run's processes.
  if (const char* grabber = std::getenv("TC_E2E_CLIPBOARD_MANAGER")) {
    const fs::path out = s.root / "grabber.out";
    s.grabberPid = SpawnLogged({grabber}, out);
    ASSERT_GT(s.grabberPid, 0);
    ASSERT_TRUE(
        PumpUntil([&] { return ReadAll(out).find("watching") != std::string::npos; }, 5000));
  }
  const char* programDir = std::getenv("TC_PROGRAM_DIR");
  s.standin = std::string(programDir ? programDir : ".") + "/standin";
  ::setenv("HOME", (s.root / "home").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (s.root / "home" / ".config").c_str(), 1);
  ::setenv("TC_HKCU_FILE", (s.root / "hkcu.ini").c_str(), 1);
  ::setenv("TC_HKLM_FILE", (s.root / "hklm.ini").c_str(), 1);
  ::setenv("TC_STANDIN_DATA_ROOT", (s.root / "data").c_str(), 1);
  ::setenv("TC_STANDIN_TRANSCRIPT", (s.root / "transcript-%p.jsonl").c_str(), 1);
  RegisterClient(s.standin);
  s.picture = (s.root / "picture.bmp").string();
  testing_support::WriteTestBitmap(s.picture, 64, 48);
  s.pictureFigures =
      testing_support::CommandOutput("\"" + s.standin + "\" --hash-image \"" + s.picture + "\"");

  DuiLib::InstallOwnWindowBackend();
  s.frame = std::make_unique<CFrameWindow>();
  s.frame->Create(nullptr, "TandemChat", UI_WNDSTYLE_FRAME, 0, 0, 0, 1000, 700);
  s.host = std::make_unique<CHostWindow>();
  s.host->Create(s.frame->GetHWND(), "WebChatMan", UI_WNDSTYLE_CHILD, 0, 0, 0, 50, 50);
  CWebchatMan::InitEnv(OnWindowFound, OnProfileRead, s.frame->GetHWND());
  s.manager = std::make_unique<CWebchatMan>(s.frame->GetHWND(), s.host->GetHWND());
  s.manager->SetPos(RECT{kHostLeft, kHostTop, kHostLeft + kHostWidth, kHostTop + kHostHeight});
  Pump(200);
}

void WeChatE2E::TearDownTestSuite() {
  TSession& s = *s_session;
  if (s.grabberPid > 0) {
    ::kill(s.grabberPid, SIGTERM);
    testing_support::WaitForExit(s.grabberPid, std::chrono::seconds(5));
  }
  s.manager.reset();
  if (s.shellPid > 0) {
    ::kill(s.shellPid, SIGTERM);
    testing_support::WaitForExit(s.shellPid, std::chrono::seconds(30));
  }
  s.host.reset();
  s.frame.reset();
  fs::remove_all(s.root);
  delete s_session;
  s_session = nullptr;
}

TEST_F(WeChatE2E, ThreeCopiesAreFoundEmbeddedAndReported) {
  ASSERT_TRUE(CWebchatMan::IsWeChatInstalled()) << S().standin;
  ASSERT_EQ(S().pictureFigures.rfind("64 48 ", 0), 0u) << S().pictureFigures;
  for (int i = 0; i < kCopies; ++i) {
    std::string key = "E2E0000" + std::to_string(i) + "-0000-0000-0000-000000000000";
    ::setenv("TC_STANDIN_ACCOUNT", ("wxid_e2e_" + std::to_string(i)).c_str(), 1);
    ::setenv("TC_STANDIN_NICKNAME", ("客服" + std::to_string(i) + "号").c_str(), 1);
    ::setenv("TC_STANDIN_LOGIN_DELAY", std::to_string(2500 + 1200 * i).c_str(), 1);
    // As the frame adds a copy: hide the one on show, start, make current.
    std::string current = S().manager->GetCurrWeChat();
    if (HWND shown = current.empty() ? nullptr : DisplayOf(current)) ShowWindow(shown, SW_HIDE);
    ASSERT_TRUE(S().manager->RunWeChat(key.c_str()));
    S().manager->SwitchWeChat(key.c_str());
    S().keys.push_back(key);
    ASSERT_TRUE(WaitMessage(WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT, key, 15000))
        << key << " pid " << ProcessOf(key) << "\n"
        << DescribeDesktop();
    HWND login = Find(WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT, key)->hWnd;
    Pump(100);
    EXPECT_TRUE(IsWindowVisible(login));
    EXPECT_EQ(GetParent(login), S().host->GetHWND());
    RECT host = WindowRect(S().host->GetHWND());
    RECT rect = WindowRect(login);
    EXPECT_EQ(rect.left - host.left, 250) << Describe(rect) << " in " << Describe(host);
    EXPECT_EQ(rect.top - host.top, 100) << Describe(rect) << " in " << Describe(host);
    EXPECT_EQ(S().manager->GetCurrWeChat(), key);
    for (int j = 0; j < i; ++j) EXPECT_FALSE(IsWindowVisible(DisplayOf(S().keys[j]))) << j;
  }
  ::unsetenv("TC_STANDIN_LOGIN_DELAY");
  for (int i = 0; i < kCopies; ++i) {
    const std::string& key = S().keys[i];
    ASSERT_TRUE(WaitMessage(WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT, key, 15000))
        << key << " pid " << ProcessOf(key) << "\n"
        << DescribeDesktop();
    const TFrameMessage* cfg = Find(WM_USER_MSG_MAINFRAME_WECHATCFGDATAGOT, key);
    ASSERT_NE(cfg, nullptr);
    EXPECT_EQ(cfg->cfg.strWeChatId, "wxid_e2e_" + std::to_string(i));
    EXPECT_EQ(cfg->cfg.strNickname, "客服" + std::to_string(i) + "号");
    EXPECT_LE(cfg->tpWhen, Find(WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT, key)->tpWhen);
    S().mainWindows[key] = Find(WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT, key)->hWnd;
  }
  Pump(200);
  // The current copy's main window fills the manager; the others are hidden.
  HWND main = S().mainWindows[S().keys.back()];
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_EQ(GetParent(main), S().host->GetHWND());
  RECT host = WindowRect(S().host->GetHWND());
  RECT rect = WindowRect(main);
  EXPECT_EQ(rect.left, host.left) << Describe(rect) << " in " << Describe(host);
  EXPECT_EQ(rect.top, host.top);
  EXPECT_EQ(rect.right - rect.left, kHostWidth);
  EXPECT_EQ(rect.bottom - rect.top, kHostHeight);
  for (int i = 0; i + 1 < kCopies; ++i)
    EXPECT_FALSE(IsWindowVisible(S().mainWindows[S().keys[i]])) << i;
}

TEST_F(WeChatE2E, SwitchingShowsOneCopyAndHidesTheOthers) {
  ASSERT_EQ(S().mainWindows.size(), static_cast<size_t>(kCopies));
  for (int round = 0; round < 2; ++round) {
    for (const std::string& key : S().keys) {
      Select(key);
      Pump(100);
      EXPECT_EQ(S().manager->GetCurrWeChat(), key);
      for (const std::string& other : S().keys)
        EXPECT_EQ(IsWindowVisible(S().mainWindows[other]) != FALSE, other == key)
            << key << " / " << other;
      RECT host = WindowRect(S().host->GetHWND());
      RECT rect = WindowRect(S().mainWindows[key]);
      EXPECT_EQ(rect.left, host.left);
      EXPECT_EQ(rect.right - rect.left, kHostWidth);
      EXPECT_EQ(rect.bottom - rect.top, kHostHeight);
    }
  }
}

TEST_F(WeChatE2E, AReplyArrivesExactlyAndIsSent) {
  ASSERT_EQ(S().keys.size(), static_cast<size_t>(kCopies));
  Select(S().keys[1]);
  Pump(100);
  Json::Value line = SendReply(S().keys[1]);
  EXPECT_TRUE(IsExactReply(line)) << line.toStyledString() << "expected picture "
                                  << S().pictureFigures;
  EXPECT_EQ(line["account"].asString(), "wxid_e2e_1");
}

TEST_F(WeChatE2E, TwentyRepliesInARowAllArriveExactly) {
  ASSERT_EQ(S().keys.size(), static_cast<size_t>(kCopies));
  const std::string& key = S().keys[1];
  Select(key);
  Pump(100);  // the operator picks a reply well after the switch
  int exact = 0;
  for (int i = 0; i < 20; ++i) {
    Json::Value line = SendReply(key);
    if (IsExactReply(line))
      ++exact;
    else
      ADD_FAILURE() << "reply " << i << ": " << line.toStyledString();
  }
  EXPECT_EQ(exact, 20);
}

// Five items, each a transcript item of its own (pictures separate the texts), each checked.
TEST_F(WeChatE2E, FiveItemRepliesArriveItemByItem) {
  ASSERT_EQ(S().keys.size(), static_cast<size_t>(kCopies));
  const std::string& key = S().keys[2];
  Select(key);
  Pump(100);
  const DWORD pid = ProcessOf(key);
  for (int i = 0; i < 8; ++i) {
    const std::string n = std::to_string(i);
    // The typed item breaks its line: the client's new line, not Return, which sends.
    const std::string texts[] = {"第一项A" + n, "第二项B" + n + "😀\n下一行", "第三项C" + n};
    const std::vector<INPUTDATA> items = {{Utf8ToWide(texts[0]), 0},
                                          {Utf8ToWide(S().picture), 2},
                                          {Utf8ToWide(texts[1]), 1},
                                          {Utf8ToWide(S().picture), 2},
                                          {Utf8ToWide(texts[2]), 0}};
    const size_t before = Transcript(pid).size();
    EXPECT_TRUE(S().manager->InputTextVec(key.c_str(), items)) << "reply " << i;
    S().manager->SendCurrText(key.c_str());
    ASSERT_TRUE(PumpUntil([&] { return Transcript(pid).size() > before; }, 10000)) << i;
    const Json::Value line = Transcript(pid).back();
    const Json::Value& got = line["items"];
    ASSERT_EQ(got.size(), 5u) << "reply " << i << ": " << line.toStyledString();
    for (int t = 0; t < 3; ++t) {
      EXPECT_EQ(got[t * 2]["type"].asString(), "text") << i;
      EXPECT_EQ(got[t * 2]["text"].asString(), texts[t]) << "reply " << i << " item " << t * 2;
    }
    for (int p = 1; p <= 3; p += 2) {
      std::ostringstream figures;
      figures << got[p]["width"].asInt() << " " << got[p]["height"].asInt() << " "
              << got[p]["sha256"].asString();
      EXPECT_EQ(figures.str(), S().pictureFigures) << "reply " << i << " item " << p;
    }
  }
}

// More distinct characters without a key than there are spare keycodes: keycodes are bound
// anew only after the client read the previous character, and all are given back.
TEST_F(WeChatE2E, ManyCharactersWithoutAKeyArriveExactlyAndTheKeycodesAreGivenBack) {
  ASSERT_GE(S().keys.size(), 2u);
  const std::string& key = S().keys[1];
  Select(key);
  Pump(100);
  CKeymapNeighbour neighbour;
  const std::vector<int> spareBefore = neighbour.SpareKeycodes();
  ASSERT_FALSE(spareBefore.empty());
  // Every keycode spare before is spare again (earlier tests may give back more meanwhile).
  auto allSpareAgain = [&] {
    const std::vector<int> now = neighbour.SpareKeycodes();
    return std::includes(now.begin(), now.end(), spareBefore.begin(), spareBefore.end());
  };
  std::u16string text;
  for (char16_t c = u'\u4e00'; text.size() < spareBefore.size() * 2 + 7; c += 3) text += c;
  const DWORD pid = ProcessOf(key);
  const size_t before = Transcript(pid).size();
  EXPECT_TRUE(S().manager->InputTextVec(key.c_str(), {{text, 1}}));
  EXPECT_FALSE(allSpareAgain());  // borrowed while the typing goes on
  S().manager->SendCurrText(key.c_str());
  ASSERT_TRUE(PumpUntil([&] { return Transcript(pid).size() > before; }, 10000));
  const Json::Value line = Transcript(pid).back();
  ASSERT_EQ(line["items"].size(), 1u) << line.toStyledString();
  EXPECT_EQ(line["items"][0]["text"].asString(), WideToUtf8(text)) << spareBefore.size();
  // Given back once the typing has stopped for a while.
  EXPECT_TRUE(PumpUntil(allSpareAgain, 8000));
}

// A second program took every spare keycode (and keeps them): typed Chinese arrives, or
// the call says it did not; nothing wrong arrives silently.
TEST_F(WeChatE2E, WithEverySpareKeycodeTakenTypedChineseArrivesOrTheCallFails) {
  ASSERT_GE(S().keys.size(), 2u);
  const std::string& key = S().keys[1];
  Select(key);
  Pump(100);
  CKeymapNeighbour neighbour;
  neighbour.TakeAll();
  ASSERT_TRUE(neighbour.SpareKeycodes().empty());
  const DWORD pid = ProcessOf(key);
  const size_t before = Transcript(pid).size();
  const bool typed = S().manager->InputTextVec(key.c_str(), {{u"好a中文b", 1}});
  S().manager->SendCurrText(key.c_str());
  PumpUntil([&] { return Transcript(pid).size() > before; }, 3000);
  const std::vector<Json::Value> lines = Transcript(pid);
  const std::string arrived =
      lines.size() > before ? lines.back()["items"][0]["text"].asString() : "";
  if (typed)
    EXPECT_EQ(arrived, "好a中文b");
  else
    EXPECT_TRUE(arrived.empty() || arrived == "ab") << arrived;
  neighbour.GiveBack();
  // With keycodes free again, the same item goes in.
  const size_t again = Transcript(pid).size();
  EXPECT_TRUE(S().manager->InputTextVec(key.c_str(), {{u"好a中文b", 1}}));
  S().manager->SendCurrText(key.c_str());
  ASSERT_TRUE(PumpUntil([&] { return Transcript(pid).size() > again; }, 5000));
  EXPECT_EQ(Transcript(pid).back()["items"][0]["text"].asString(), "好a中文b");
}

TEST_F(WeChatE2E, ACopyThatExitsIsReportedWithinASecond) {
  ASSERT_EQ(S().keys.size(), static_cast<size_t>(kCopies));
  const std::string& key = S().keys[0];
  DWORD pid = ProcessOf(key);
  ASSERT_NE(pid, 0u);
  auto exited = Clock::now();
  ::kill(static_cast<pid_t>(pid), SIGTERM);  // the client quits by itself
  ASSERT_TRUE(
      PumpUntil([&] { return Find(WM_USER_MSG_MAINFRAME_WECHATEXIT, "") != nullptr; }, 2000));
  EXPECT_LT(Find(WM_USER_MSG_MAINFRAME_WECHATEXIT, "")->tpWhen - exited, 1000ms);
  EXPECT_EQ(S().manager->TakeClosedWeChats(), std::vector<std::string>{key});
  EXPECT_TRUE(S().manager->StopWeChat(key.c_str()));
  EXPECT_FALSE(ProcessAlive(pid));
}

TEST_F(WeChatE2E, AStandInStartedFromADesktopShellIsAdopted) {
  // A shell under a desktop launcher's name starts the client, as a desktop would.
  fs::path shell = S().root / "xfdesktop";
  fs::copy_file("/bin/sh", shell, fs::copy_options::overwrite_existing);
  ::chmod(shell.c_str(), 0755);
  ::setenv("TC_STANDIN_ACCOUNT", "wxid_by_hand", 1);
  ::setenv("TC_STANDIN_NICKNAME", "手动", 1);
  std::string script = "\"" + S().standin + "\"; true";
  const char* argv[] = {shell.c_str(), "-c", script.c_str(), nullptr};
  ASSERT_EQ(posix_spawn(&S().shellPid, shell.c_str(), nullptr, nullptr,
                        const_cast<char* const*>(argv), environ),
            0);
  std::vector<DWORD> outside;
  ASSERT_TRUE(PumpUntil([&] { return S().manager->IsHasWeChatRunByWeChatPC(outside); }, 5000));
  ASSERT_EQ(outside.size(), 1u);
  EXPECT_TRUE(win32::IsProcessOrDescendant(outside[0], static_cast<DWORD>(S().shellPid)));
  const std::string key = "E2E-ADOPTED";
  ASSERT_TRUE(S().manager->RunWeChat(key.c_str()));
  EXPECT_EQ(ProcessOf(key), outside[0]);
  ASSERT_TRUE(WaitMessage(WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT, key, 15000)) << DescribeDesktop();
  // Not the current copy: its login window is hidden at once and stays on the desktop.
  HWND login = Find(WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT, key)->hWnd;
  Pump(100);
  EXPECT_FALSE(IsWindowVisible(login));
  EXPECT_NE(GetParent(login), S().host->GetHWND());
  outside.clear();
  EXPECT_FALSE(S().manager->IsHasWeChatRunByWeChatPC(outside));
  S().keys.push_back(key);
}

// The client's program is a script that starts the real one and waits for it: the window
// belongs to the script's child, and stopping the copy must end both.
TEST_F(WeChatE2E, ACopyStartedThroughALauncherScriptIsStoppedWhole) {
  const fs::path launcher = S().root / "wechat-launcher.sh";
  std::ofstream(launcher) << "#!/bin/sh\n\"" << S().standin << "\" \"$@\"\necho ended\n";
  ::chmod(launcher.c_str(), 0755);
  // The manager reads the client's path when its environment is set up.
  RegisterClient(launcher.string());
  CWebchatMan::InitEnv(OnWindowFound, OnProfileRead, S().frame->GetHWND());
  ::setenv("TC_STANDIN_ACCOUNT", "wxid_launched", 1);
  const std::string key = "E2E-LAUNCHED";
  const bool started = S().manager->RunWeChat(key.c_str());
  RegisterClient(S().standin);
  CWebchatMan::InitEnv(OnWindowFound, OnProfileRead, S().frame->GetHWND());
  ASSERT_TRUE(started);
  ASSERT_TRUE(WaitMessage(WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT, key, 15000)) << DescribeDesktop();
  DWORD client = 0;
  GetWindowThreadProcessId(Find(WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT, key)->hWnd, &client);
  const DWORD script = ProcessOf(key);
  ASSERT_NE(client, script);  // the window is the script's child's
  EXPECT_TRUE(win32::IsProcessOrDescendant(client, script));
  EXPECT_TRUE(S().manager->StopWeChat(key.c_str()));
  EXPECT_FALSE(ProcessAlive(client));
  EXPECT_FALSE(ProcessAlive(script));
}

TEST_F(WeChatE2E, StopWeChatLeavesNoProcessBehind) {
  std::vector<DWORD> pids;
  for (const std::string& key : S().keys)
    if (DWORD pid = ProcessOf(key)) pids.push_back(pid);
  for (const std::string& key : S().keys) S().manager->StopWeChat(key.c_str());
  for (DWORD pid : pids) EXPECT_FALSE(ProcessAlive(pid)) << pid;
  // No stand-in of this run is left (the hand-started one's shell ends with it).
  if (S().shellPid > 0) {
    testing_support::WaitForExit(S().shellPid, std::chrono::seconds(30));
    S().shellPid = -1;
  }
  EXPECT_EQ(ProcessesOfThisRun(), std::vector<DWORD>{});
}

}  // namespace
