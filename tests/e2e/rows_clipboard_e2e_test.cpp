// The account rows' switching keys and tips, and the operator's clipboard around a reply, in
// the real main frame against the reference server (in this process) and stand-in copies,
// on a real X server (bare or under openbox, started around this program by
// scripts/xvfb-run-wm.sh). Keys come from XTest (xdotool), the operator's clipboard from
// another program (xclip). The tests share one frame and build on each other in order.
#include "app/Settings.h"
#include "mainframe/MainFrameWnd.h"
#include "mainframe/WebchatElementUI.h"
#include "mainframe/WebchatListUI.h"
#include "mainframe/WebchatMan.h"
#include "mainframe/WebchatRowHint.h"
#include "platform/ui/window/MessageLoop.h"
#include "platform/win32/Window.h"
#include "refserver/RefServer.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "shortcut/ShortcutPanel.h"
#include "tests/support/GuiWait.h"
#include "tests/support/StandinEnvironment.h"
#include "tests/support/TestFiles.h"
#include "tests/support/Transcript.h"

#include <QToolTip>

#include <gtest/gtest.h>
#include <json/json.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct TSession {
  fs::path root;
  std::string programDir;
  std::unique_ptr<refserver::CRefServer> server;
  CMainFrameWnd* frame = nullptr;
  std::vector<std::string> keys;  // the copies, in row order
};
TSession* s_session = nullptr;

using testing_support::Pump;
using testing_support::PumpUntil;

// Runs a command while this process keeps serving its windows and its clipboard: xclip and
// xdotool talk to the X server, which may ask this process for the selection meanwhile.
int run(const std::string& command) {
  const std::string done = (s_session->root / "run.status").string();
  fs::remove(done);
  const std::string line = "{ (" + command + "); echo $? > '" + done + ".tmp'; mv '" + done +
                           ".tmp' '" + done + "'; } &";
  std::system(line.c_str());
  if (!PumpUntil([&] { return fs::exists(done); }, 20000)) return -1;
  int status = -1;
  std::ifstream(done) >> status;
  return status;
}

std::string readFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

class RowsClipboardE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();

  TSession& S() { return *s_session; }
  CWebchatListUI& List() { return *S().frame->GetWebchatList(); }
  CWebchatMan& Manager() { return *S().frame->GetWebchatMan(); }

  std::string SelectedKey() {
    DuiLib::CControlUI* row = List().GetItemAt(List().GetCurSel());
    return row ? row->GetName().str() : std::string();
  }
  HWND MainWindowOf(const std::string& key) {
    WECHATRUNDATA data;
    return Manager().GetWeChatRunData(data, key) ? data.hMainWnd : nullptr;
  }
  DWORD ProcessOf(const std::string& key) {
    WECHATRUNDATA data;
    return Manager().GetWeChatRunData(data, key) ? data.dwProcessId : 0;
  }
  std::vector<Json::Value> Transcript(const std::string& key) {
    return testing_support::ReadTranscript(
        (S().root / ("transcript-" + std::to_string(ProcessOf(key)) + ".jsonl")).string());
  }
  // A chord typed through XTest into whatever has the keyboard focus.
  void Press(const std::string& chord) {
    ASSERT_EQ(run("xdotool key --clearmodifiers " + chord), 0) << chord;
  }
  // Gives a window the keyboard focus once it can take it: X refuses the focus to a window
  // that is not viewable, and a copy switched to is mapped a moment after its row is selected.
  void Focus(HWND window, unsigned long id) {
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(window) != FALSE; }, 5000))
        << "window " << id << " is not viewable";
    ASSERT_EQ(run("xdotool windowfocus --sync " + std::to_string(id)), 0) << "window " << id;
  }
  // True once the copy's window lies inside the frame: a copy's window is known before it is
  // embedded, and only keys typed into a window inside the frame reach the frame's chords.
  bool InsideFrame(HWND window) {
    for (HWND at = ::GetParent(window); at; at = ::GetParent(at))
      if (at == S().frame->GetHWND()) return true;
    return false;
  }
  // The selected row and the copy on show once they agree on `key`.
  bool Shows(const std::string& key) {
    return PumpUntil([&] { return SelectedKey() == key && Manager().GetCurrWeChat() == key; },
                     5000);
  }
};

void RowsClipboardE2E::SetUpTestSuite() {
  s_session = new TSession;
  TSession& s = *s_session;
  s.root = fs::temp_directory_path() / ("rows_clipboard_e2e_" + std::to_string(::getpid()));
  fs::remove_all(s.root);
  fs::create_directories(s.root / "home" / ".config");
  fs::create_directories(s.root / "program");
  const char* programDir = std::getenv("TC_PROGRAM_DIR");
  s.programDir = programDir ? programDir : ".";
  ::setenv("HOME", (s.root / "home").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (s.root / "home" / ".config").c_str(), 1);
  testing_support::SetStandinEnvironment(s.root);
  SetProgramFolder((s.root / "program").string() + "/");
  GetUserDataFolder();

  refserver::TServerOptions options;
  options.nPort = 0;
  options.sDataDir = (s.root / "server").string();
  options.bFastHash = true;
  options.bQuiet = true;
  fs::create_directories(options.sDataDir);
  s.server = std::make_unique<refserver::CRefServer>(options);
  s.server->Seed();
  s.server->Start();
  std::ofstream(s.root / "program" / "sys.cfg")
      << "[SYSTEM]\nWebServer=http://127.0.0.1:" << s.server->Port()
      << "/\nVERSION=1.0.0\nKeepClipboard=1\n";

  CConnServer login;
  ASSERT_EQ(login.Login(refserver::CRefServer::kDemoPhone, refserver::CRefServer::kDemoPassword),
            0);
  StoreSignInValues(login);

  ASSERT_TRUE(testing_support::RegisterClientProgram("\"" + s.programDir + "/standin\""));

  DuiLib::SetMessageBoxHook(
      [](HWND, const std::string&, const std::string&, UINT) { return IDOK; });
  s.frame = new CMainFrameWnd();
  ASSERT_TRUE(s.frame->Create(nullptr, "Orvo客服-电商版",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                              0, 0, 0, 1180, 760));
  s.frame->ShowWindow(true, true);
  ASSERT_NE(s.frame->GetWebchatList(), nullptr);
}

void RowsClipboardE2E::TearDownTestSuite() {
  TSession& s = *s_session;
  if (s.frame) {
    s.frame->Close(1);
    PumpUntil([&] { return !::IsWindow(s.frame->GetHWND()); }, 10000);
  }
  DuiLib::SetMessageBoxHook({});
  s.server->Stop();
  fs::remove_all(s.root);
  delete s_session;
  s_session = nullptr;
}

TEST_F(RowsClipboardE2E, ThreeCopiesLogIn) {
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      ASSERT_TRUE(PumpUntil([&] { return List().GetCount() == i; }, 5000));
      S().frame->AddWebChat();
    }
    std::string key;
    ASSERT_TRUE(PumpUntil(
        [&] {
          key = SelectedKey();
          return List().GetCount() == i + 1 && !key.empty() && MainWindowOf(key);
        },
        20000))
        << "copy " << i;
    S().keys.push_back(key);
  }
  Pump(500);
  ASSERT_EQ(S().keys.size(), 3u);
  EXPECT_EQ(SelectedKey(), S().keys[2]);
}

TEST_F(RowsClipboardE2E, ChordsSwitchAlsoWhileTheFocusIsInTheEmbeddedCopy) {
  ASSERT_EQ(S().keys.size(), 3u);
  const auto focusCopy = [&](const std::string& key) {
    HWND window = MainWindowOf(key);
    ASSERT_TRUE(PumpUntil([&] { return InsideFrame(window); }, 10000)) << "not embedded";
    Focus(window, static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window)));
  };
  ASSERT_NO_FATAL_FAILURE(focusCopy(S().keys[2]));
  Press("ctrl+1");
  EXPECT_TRUE(Shows(S().keys[0]));
  ASSERT_NO_FATAL_FAILURE(focusCopy(S().keys[0]));
  Press("ctrl+Tab");
  EXPECT_TRUE(Shows(S().keys[1]));
  ASSERT_NO_FATAL_FAILURE(focusCopy(S().keys[1]));
  Press("ctrl+shift+Tab");
  EXPECT_TRUE(Shows(S().keys[0]));
  ASSERT_NO_FATAL_FAILURE(focusCopy(S().keys[0]));
  Press("ctrl+shift+Tab");  // wraps to the last row
  EXPECT_TRUE(Shows(S().keys[2]));
  // With the frame itself focused.
  const unsigned long frameId = win32::GetOwnWindowBackend()->NativeId(S().frame->GetHWND());
  ASSERT_NO_FATAL_FAILURE(Focus(S().frame->GetHWND(), frameId));
  Press("ctrl+2");
  EXPECT_TRUE(Shows(S().keys[1]));
  Press("ctrl+9");  // no ninth row: nothing changes
  Pump(300);
  EXPECT_EQ(SelectedKey(), S().keys[1]);
}

TEST_F(RowsClipboardE2E, RowTipsNameTheChordAndTheCopysMemoryAndCpu) {
  // The tips are refreshed on the frame's timer; two refreshes give the processor share.
  ASSERT_TRUE(PumpUntil(
      [&] {
        const std::string tip = List().GetWebchatItemAt(2)->GetToolTip().str();
        return tip.find("CPU ") != std::string::npos;
      },
      3 * CWebchatRowHint::kRefreshMs + 2000));
  for (int i = 0; i < 3; ++i) {
    const std::string tip = List().GetWebchatItemAt(i)->GetToolTip().str();
    EXPECT_EQ(tip.rfind("Ctrl+" + std::to_string(i + 1) + " 切换到此微信\n内存 ", 0), 0u) << tip;
    EXPECT_NE(tip.find(" MB · CPU "), std::string::npos) << tip;
  }
  // The pointer resting on a row's avatar shows the row's tip.
  S().frame->GetPaintManager().UpdateLayout();
  CWebchatElementUI* row = List().GetWebchatItemAt(1);
  const RECT face = row->m_pFaceBtn->GetPos();
  POINT at{(face.left + face.right) / 2, (face.top + face.bottom) / 2};
  ::ClientToScreen(S().frame->GetHWND(), &at);
  ASSERT_EQ(run("xdotool mousemove --sync " + std::to_string(at.x) + " " + std::to_string(at.y)),
            0);
  ASSERT_TRUE(PumpUntil([] { return QToolTip::isVisible(); }, 5000));
  EXPECT_EQ(QToolTip::text().toStdString(), row->GetToolTip().str());
  if (const char* shot = std::getenv("TC_ROW_TIP_SCREENSHOT"))
    run("import -window root '" + std::string(shot) + "'");
  ASSERT_EQ(run("xdotool mousemove --sync 5 5"), 0);
}

TEST_F(RowsClipboardE2E, TheOperatorsTextIsBackExactlyAfterAReply) {
  const std::string key = SelectedKey();
  ASSERT_FALSE(key.empty());
  // The operator copied text in another program; it stays that program's until our paste.
  const std::string mine = "订单 #42 «保留» \tTab, trailing blank and a second line\nsecond ";
  std::ofstream(S().root / "mine.txt", std::ios::binary) << mine;
  ASSERT_EQ(run("xclip -selection clipboard -i '" + (S().root / "mine.txt").string() +
                "' >/dev/null 2>&1"),
            0);
  ASSERT_EQ(run("xclip -selection clipboard -o > '" + (S().root / "before.txt").string() + "'"), 0);
  ASSERT_EQ(readFile(S().root / "before.txt"), mine);

  auto* tree = S().frame->GetShortcutPanel()->GetTree();
  ASSERT_TRUE(PumpUntil([&] { return tree->GetCount() > 2; }, 20000));
  DuiLib::CTreeNodeUI* message = nullptr;
  for (int i = 0; i < tree->GetCount() && !message; ++i) {
    auto* node = static_cast<DuiLib::CTreeNodeUI*>(tree->GetItemAt(i));
    if (!node->GetUserData().IsEmpty() &&
        node->GetUserData().str().find("msgDetailList") != std::string::npos)
      message = node;
  }
  ASSERT_NE(message, nullptr);
  const size_t before = Transcript(key).size();
  tree->SelectItem(message->GetTreeIndex(), false, false);
  ASSERT_TRUE(S().frame->GetShortcutPanel()->OnMenu(4001));  // send
  ASSERT_TRUE(PumpUntil([&] { return Transcript(key).size() > before; }, 15000));
  const Json::Value sent = Transcript(key).back();
  ASSERT_GE(sent["items"].size(), 1u);
  EXPECT_NE(sent["items"][0]["text"].asString(), "");
  EXPECT_EQ(sent["items"][0]["text"].asString().find("订单 #42"), std::string::npos)
      << "the operator's text went into the reply";

  // Back on the clipboard, byte for byte, once the run has ended.
  const fs::path after = S().root / "after.txt";
  EXPECT_TRUE(PumpUntil(
      [&] {
        run("xclip -selection clipboard -o > '" + after.string() + "' 2>/dev/null");
        return readFile(after) == mine;
      },
      5000))
      << "clipboard holds: " << readFile(after);
}

}  // namespace
