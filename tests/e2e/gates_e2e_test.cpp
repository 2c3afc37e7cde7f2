// The real workbench through its start-up gates on a private X server, against a reference
// server in this process on 127.0.0.1: the splash, the login window (signed in by a click
// as an operator would), the main frame with its first chat-client copy, a second start,
// and the update prompts. The program runs from a program folder of its own (a copy of the
// executable, the skins linked in, sys.cfg pointing at the test server) and a per-user
// folder of its own. Windows are found and clicked with xdotool, as from outside.
#include "tests/refserver/RefServerHarness.h"
#include "tests/support/TempDir.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testing_support::ReadText;
using testing_support::TempDir;
using testing_support::WriteText;

std::string Shell(const std::string& command) {
  std::string output;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  char buffer[256];
  while (pipe && fgets(buffer, sizeof buffer, pipe.get())) output += buffer;
  return output;
}

// Each check here runs xdotool, a process: they come 50 ms apart.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 15000) {
  return testing_support::WaitUntil(
      done, timeoutMs, [] { std::this_thread::sleep_for(std::chrono::milliseconds(45)); });
}

struct TGeometry {
  unsigned long id = 0;
  int x = 0, y = 0, width = 0, height = 0;
};

// Our visible windows titled "Orvo...", with their geometry.
std::vector<TGeometry> OurWindows() {
  std::vector<TGeometry> windows;
  std::istringstream ids(Shell("xdotool search --onlyvisible --name Orvo 2>/dev/null"));
  unsigned long id = 0;
  while (ids >> id) {
    TGeometry g;
    g.id = id;
    const std::string shell =
        Shell("xdotool getwindowgeometry --shell " + std::to_string(id) + " 2>/dev/null");
    if (std::sscanf(shell.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &g.x, &g.y, &g.width,
                    &g.height) == 4)
      windows.push_back(g);
  }
  return windows;
}

std::optional<TGeometry> WindowOfSize(int width, int height) {
  for (const TGeometry& g : OurWindows())
    if (g.width == width && (height == 0 || g.height == height)) return g;
  return std::nullopt;
}

std::optional<TGeometry> Frame() {
  for (const TGeometry& g : OurWindows())
    if (g.width > 540 && g.height > 500) return g;
  return std::nullopt;
}

bool UpdatePromptShown() {
  return Shell("xdotool search --onlyvisible --name 版本更新 2>/dev/null")
             .find_first_of("0123456789") != std::string::npos;
}

// Gives the update prompt the keyboard (bare X has no window manager to activate it) and
// presses a key there: Return is its default button, Escape its cancel button. The box may
// still be settling its focus right after it appears: the key is pressed again (at most ten
// times) until the box is gone.
bool AnswerUpdatePrompt(const std::string& key) {
  for (int attempt = 0; attempt < 10 && UpdatePromptShown(); ++attempt) {
    const std::string id =
        Shell("xdotool search --onlyvisible --name 版本更新 2>/dev/null | head -n 1");
    Shell("timeout 5 xdotool windowfocus --sync " + id + " 2>/dev/null; xdotool key " + key);
    if (WaitFor([] { return !UpdatePromptShown(); }, 1000)) return true;
  }
  return !UpdatePromptShown();
}

void ClickAt(const TGeometry& window, int x, int y) {
  Shell("xdotool mousemove " + std::to_string(window.x + x) + " " + std::to_string(window.y + y) +
        " click 1");
}

class GatesE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string programDir = std::getenv("TC_PROGRAM_DIR");
    m_program = m_root.path() + "/program/";
    fs::create_directories(m_program);
    fs::create_directories(m_root.path() + "/config");
    fs::copy_file(programDir + "/tandem_chats", m_program + "tandem_chats");
    fs::create_directory_symlink(programDir + "/skin", m_program + "skin");
    fs::copy_file(programDir + "/log.cfg", m_program + "log.cfg");
    // The stand-in is the installed chat client.
    WriteText(m_program + "HKEY_LOCAL_MACHINE.ini",
              "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WeChat]\n@created=1\n"
              "DisplayIcon=\"\"" +
                  programDir + "/standin\"\"\n");
    UseServer("http://127.0.0.1:" + std::to_string(m_server.Port()) + "/", "1.0.0");
    WriteText(m_program + "user.dat",
              "[LOGIN]\nLastUser=13800000000\nUserPwd=demo1234\n[OPTION]\nAutoPlay=1\n");
  }

  // Each program ends by SIGTERM as by a confirmed exit, stopping the copies it started.
  void TearDown() override {
    for (pid_t pid : m_pids) {
      if (::kill(pid, 0) == 0) ::kill(pid, SIGTERM);
      WaitExit(pid, 5000);
      if (::kill(pid, 0) == 0) ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }

  void UseServer(const std::string& address, const std::string& version) {
    WriteText(m_program + "sys.cfg",
              "[SYSTEM]\nWebServer=" + address + "\nVERSION=" + version + "\n");
  }

  pid_t Start() {
    // The variables set here replace inherited ones (the test set-up puts
    // QT_QPA_PLATFORM=offscreen into this process; the first of two entries would win).
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      if (name != "XDG_CONFIG_HOME" && name != "QT_QPA_PLATFORM" && name != "XDG_RUNTIME_DIR")
        env.push_back(entry);
    }
    env.push_back("XDG_CONFIG_HOME=" + m_root.path() + "/config");
    env.push_back("QT_QPA_PLATFORM=xcb");
    // The copies share the program's console; with a runtime folder they have nothing to say.
    fs::create_directories(m_root.path() + "/run");
    fs::permissions(m_root.path() + "/run", m_runtimePerms);
    env.push_back("XDG_RUNTIME_DIR=" + m_root.path() + "/run");
    env.push_back("TC_STANDIN_LOGIN_DELAY=60000");
    env.push_back("TC_STANDIN_DATA_ROOT=" + m_root.path() + "/wechat");
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string path = m_program + "tandem_chats";
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string out = m_root.path() + "/console.txt";
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0);
    m_pids.push_back(pid);
    return pid;
  }

  // The exit code, or -1 when the process is still running after timeoutMs.
  static int WaitExit(pid_t pid, int timeoutMs) {
    int status = 0;
    int code = -1;
    WaitFor(
        [&] {
          const pid_t done = ::waitpid(pid, &status, WNOHANG);
          if (done == pid) code = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
          return done == pid || done < 0;
        },
        timeoutMs);
    return code;
  }

  std::string Log() const { return ReadText(m_root.path() + "/config/orvo2/tandem_chats.log"); }
  std::string Console() const { return ReadText(m_root.path() + "/console.txt"); }

  // Signs in through the login window with what it shows: the remembered account.
  std::optional<TGeometry> SignIn() {
    std::optional<TGeometry> login;
    if (!WaitFor([&] { return (login = WindowOfSize(540, 360)).has_value(); })) return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ClickAt(*login, 270, 286);  // "登录"
    std::optional<TGeometry> frame;
    WaitFor([&] { return (frame = Frame()).has_value(); });
    return frame;
  }

  TempDir m_root;
  std::string m_program;
  fs::perms m_runtimePerms = fs::perms::owner_all;
  refserver::test::CTestServer m_server{[](refserver::TServerOptions& o) {
    o.bSeed = true;
    o.nWechatQuantity = 3;
  }};
  std::vector<pid_t> m_pids;
};

TEST_F(GatesE2E, SplashThenLoginThenFrameWithItsFirstCopy) {
  const pid_t app = Start();
  std::optional<TGeometry> splash;
  ASSERT_TRUE(WaitFor([&] { return (splash = WindowOfSize(480, 300)).has_value(); }))
      << "no splash: "
      << Shell("xdotool search --onlyvisible --name Orvo 2>&1; env | grep DISPLAY");
  const auto frame = SignIn();
  ASSERT_TRUE(frame.has_value()) << "no main window after the click on 登录\n" << Log();
  EXPECT_FALSE(WindowOfSize(540, 360).has_value()) << "the login window is gone";
  EXPECT_NE(Log().find("signed in as 13800000000"), std::string::npos);
  EXPECT_EQ(Log().find("demo1234"), std::string::npos) << "no password in the log";
  // The frame starts the first copy: the stand-in's login window appears.
  EXPECT_TRUE(WaitFor([] {
    return Shell("xdotool search --onlyvisible --class WeChatLoginWndForPC 2>/dev/null")
               .find_first_of("0123456789") != std::string::npos;
  })) << "no copy of the chat client";
  EXPECT_EQ(Console(), "") << "a quiet console";
  ::kill(app, SIGTERM);
  EXPECT_EQ(WaitExit(app, 15000), 0);
}

TEST_F(GatesE2E, SecondStartEndsAtOnceAndBringsTheFirstForward) {
  Start();
  ASSERT_TRUE(SignIn().has_value()) << Log();
  const pid_t second = Start();
  EXPECT_EQ(WaitExit(second, 10000), 0) << "the second start ends by itself";
  EXPECT_FALSE(WindowOfSize(480, 300).has_value()) << "without a splash of its own";
  EXPECT_TRUE(Frame().has_value());
}

TEST_F(GatesE2E, RequiredUpdateOpensTheDownloadAndQuits) {
  refserver::test::CTestServer updating([](refserver::TServerOptions& o) {
    o.bSeed = true;
    o.sLatestVersion = "2.0.0";
    o.sMinVersion = "2.0.0";
    o.sDownUrl = "/download/setup-2.0.0.exe";
  });
  const std::string base = "http://127.0.0.1:" + std::to_string(updating.Port()) + "/";
  UseServer(base, "1.0.0");
  const pid_t app = Start();
  // The prompt has only an OK button: Return takes it.
  ASSERT_TRUE(WaitFor(UpdatePromptShown)) << "no update prompt\n" << Log();
  EXPECT_TRUE(AnswerUpdatePrompt("Return"));
  // A start stopped at a gate ends with a code that says so.
  const int code = WaitExit(app, 15000);
  EXPECT_NE(code, -1) << "still running";
  EXPECT_NE(code, 0);
  EXPECT_NE(Log().find("opening the download " + base + "download/setup-2.0.0.exe"),
            std::string::npos)
      << Log();
  EXPECT_EQ(Log().find("signed in"), std::string::npos);
}

TEST_F(GatesE2E, OptionalUpdateCancelledGoesOnToTheLogin) {
  refserver::test::CTestServer offering([](refserver::TServerOptions& o) {
    o.bSeed = true;
    o.sLatestVersion = "2.0.0";
    o.sDownUrl = "setup.exe";
  });
  UseServer("http://127.0.0.1:" + std::to_string(offering.Port()) + "/", "1.0.0");
  Start();
  ASSERT_TRUE(WaitFor(UpdatePromptShown)) << "no update prompt\n" << Log();
  EXPECT_TRUE(AnswerUpdatePrompt("Escape"));
  EXPECT_TRUE(WaitFor([&] { return WindowOfSize(540, 360).has_value(); })) << Log();
  EXPECT_EQ(Log().find("opening the download"), std::string::npos);
}

TEST_F(GatesE2E, ServerThatIsDownStillShowsTheLoginWindow) {
  UseServer("http://127.0.0.1:1/", "1.0.0");  // nothing listens: refused at once
  const pid_t app = Start();
  EXPECT_TRUE(WaitFor([&] { return WindowOfSize(540, 360).has_value(); }, 8000))
      << "a refused version check goes on at once\n"
      << Log();
  ::kill(app, SIGTERM);
  EXPECT_EQ(WaitExit(app, 10000), 0);
}

// The caption buttons take clicks although the skins lay plain containers over the caption
// (the sign-in/registration tab strip, the splash's spacer).
TEST_F(GatesE2E, TheSplashCloseButtonEndsTheProgram) {
  const pid_t app = Start();
  std::optional<TGeometry> splash;
  ASSERT_TRUE(WaitFor([&] { return (splash = WindowOfSize(480, 300)).has_value(); }));
  ClickAt(*splash, 454, 24);  // "×"
  const int code = WaitExit(app, 10000);
  EXPECT_NE(code, -1) << "still running after a click on the splash's ×\n" << Log();
  EXPECT_NE(code, 0) << "a start stopped at a gate";
  EXPECT_FALSE(WindowOfSize(540, 360).has_value()) << "no login window";
}

TEST_F(GatesE2E, TheLoginCaptionButtonsWorkOnTheSignInView) {
  const pid_t app = Start();
  std::optional<TGeometry> login;
  ASSERT_TRUE(WaitFor([&] { return (login = WindowOfSize(540, 360)).has_value(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // Without a window manager nobody iconifies a window: minimising is seen under one only.
  const bool managed =
      Shell("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null").find("window id") !=
      std::string::npos;
  if (managed) {
    ClickAt(*login, 486, 24);  // "–"
    EXPECT_TRUE(WaitFor([&] { return !WindowOfSize(540, 360).has_value(); }, 5000))
        << "the login window is still shown after a click on –";
    EXPECT_EQ(::waitpid(app, nullptr, WNOHANG), 0) << "minimising does not end the program";
    Shell("xdotool windowactivate --sync " + std::to_string(login->id) + " 2>/dev/null");
    ASSERT_TRUE(WaitFor([&] { return (login = WindowOfSize(540, 360)).has_value(); }, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  ClickAt(*login, 518, 24);  // "×"
  const int code = WaitExit(app, 10000);
  EXPECT_NE(code, -1) << "still running after a click on the login window's ×\n" << Log();
  EXPECT_NE(code, 0) << "a start stopped at a gate";
}

TEST_F(GatesE2E, TheLoginCloseButtonWorksOnTheRegistrationView) {
  const pid_t app = Start();
  std::optional<TGeometry> login;
  ASSERT_TRUE(WaitFor([&] { return (login = WindowOfSize(540, 360)).has_value(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ClickAt(*login, 406, 27);  // "免费注册"
  ASSERT_TRUE(WaitFor([&] { return (login = WindowOfSize(540, 501)).has_value(); }, 5000))
      << "no registration view";
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ClickAt(*login, 518, 24);  // "×"
  const int code = WaitExit(app, 10000);
  EXPECT_NE(code, -1) << "still running after a click on the registration view's ×\n" << Log();
  EXPECT_NE(code, 0);
}

// A runtime folder others may write to could hold another user's lock: the start is refused
// with the reason on the console and a non-zero code, and no window opens.
TEST_F(GatesE2E, AStartWithARuntimeFolderOthersMayWriteIsRefusedWithTheReason) {
  m_runtimePerms = fs::perms::owner_all | fs::perms::group_all | fs::perms::others_all;
  const pid_t app = Start();
  const int code = WaitExit(app, 10000);
  EXPECT_NE(code, 0);
  EXPECT_NE(code, -1) << "still running";
  EXPECT_NE(Console().find("cannot start"), std::string::npos) << Console();
  EXPECT_FALSE(WindowOfSize(480, 300).has_value()) << "no splash";
}

}  // namespace
