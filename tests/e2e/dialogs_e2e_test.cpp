// The frame's modal windows as the window manager and the operator see them, bare and under
// openbox: the real workbench (signed in with the development switch against a reference
// server in this process), its windows opened with real clicks through XTest, their
// properties and stacking read from the X server.
#include "tests/refserver/RefServerHarness.h"
#include "tests/support/TempDir.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <xcb/xcb.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testing_support::ReadText;
using testing_support::TempDir;
using testing_support::WriteText;

// Client points of the frame (skin/tandem_chats.xml, 1180 x 760): the menu button in the
// caption, the items of the menu it opens, a point of the account list.
constexpr int kMenuX = 1003, kMenuY = 24;
constexpr int kMenuItemX = 958;
constexpr int kPasswordItemY = 67, kUpdateItemY = 121, kFeedbackItemY = 148;
constexpr int kListX = 77, kListY = 420;

std::string Shell(const std::string& command) {
  std::string output;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  char buffer[256];
  while (pipe && fgets(buffer, sizeof buffer, pipe.get())) output += buffer;
  return output;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs = 15000) {
  return testing_support::WaitUntil(
      done, timeoutMs, [] { std::this_thread::sleep_for(std::chrono::milliseconds(45)); });
}

struct TFree {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, TFree>;

// Read-only questions to the X server on a connection of the test's own.
class CX {
 public:
  CX() : m_c(xcb_connect(nullptr, nullptr)) {
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
  }
  ~CX() { xcb_disconnect(m_c); }

  xcb_atom_t Atom(const char* name) {
    Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
        m_c, xcb_intern_atom(m_c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return r ? r->atom : 0;
  }
  std::vector<uint32_t> Numbers(xcb_window_t w, const char* name) {
    Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        m_c, xcb_get_property(m_c, 0, w, Atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr));
    if (!r || r->format != 32) return {};
    const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(r.get()));
    return std::vector<uint32_t>(v, v + xcb_get_property_value_length(r.get()) / 4);
  }
  bool HasState(xcb_window_t w, const char* state) {
    const auto states = Numbers(w, "_NET_WM_STATE");
    return std::find(states.begin(), states.end(), Atom(state)) != states.end();
  }
  xcb_window_t TransientFor(xcb_window_t w) {
    const auto v = Numbers(w, "WM_TRANSIENT_FOR");
    return v.empty() ? 0 : v[0];
  }
  std::vector<xcb_window_t> Children(xcb_window_t w) {
    Reply<xcb_query_tree_reply_t> r(xcb_query_tree_reply(m_c, xcb_query_tree(m_c, w), nullptr));
    if (!r) return {};
    const xcb_window_t* c = xcb_query_tree_children(r.get());
    return std::vector<xcb_window_t>(c, c + xcb_query_tree_children_length(r.get()));
  }
  // The root's child that holds the window (a window manager's frame, or the window itself).
  xcb_window_t TopOf(xcb_window_t w) {
    for (int depth = 0; w && depth < 16; ++depth) {
      Reply<xcb_query_tree_reply_t> r(xcb_query_tree_reply(m_c, xcb_query_tree(m_c, w), nullptr));
      if (!r) return 0;
      if (r->parent == m_root) return w;
      w = r->parent;
    }
    return 0;
  }
  // Whether `upper` is stacked above `lower` among the root's children.
  bool Above(xcb_window_t upper, xcb_window_t lower) {
    const auto order = Children(m_root);  // bottom to top
    const auto a = std::find(order.begin(), order.end(), TopOf(upper));
    const auto b = std::find(order.begin(), order.end(), TopOf(lower));
    return a != order.end() && b != order.end() && a > b;
  }
  // Whether the frame's viewable child of this size is the top one of its viewable children.
  bool ChildOnTop(xcb_window_t parent, int width, int height) {
    xcb_window_t top = 0;
    for (xcb_window_t child : Children(parent)) {
      Reply<xcb_get_window_attributes_reply_t> a(
          xcb_get_window_attributes_reply(m_c, xcb_get_window_attributes(m_c, child), nullptr));
      if (a && a->map_state == XCB_MAP_STATE_VIEWABLE) top = child;
    }
    Reply<xcb_get_geometry_reply_t> g(
        xcb_get_geometry_reply(m_c, xcb_get_geometry(m_c, top), nullptr));
    return top && g && g->width == width && g->height == height;
  }
  bool HasFocus(xcb_window_t window) {
    Reply<xcb_get_input_focus_reply_t> r(
        xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
    for (xcb_window_t at = r ? r->focus : 0; at > XCB_INPUT_FOCUS_POINTER_ROOT;) {
      if (at == window) return true;
      Reply<xcb_query_tree_reply_t> t(xcb_query_tree_reply(m_c, xcb_query_tree(m_c, at), nullptr));
      at = t ? t->parent : 0;
    }
    return false;
  }

 private:
  xcb_connection_t* m_c;
  xcb_window_t m_root = 0;
};

struct TWindow {
  unsigned long id = 0;
  int x = 0, y = 0, width = 0, height = 0;
};

// Visible windows of the process, with their geometry.
std::vector<TWindow> WindowsOf(pid_t pid) {
  std::vector<TWindow> windows;
  std::istringstream ids(
      Shell("xdotool search --onlyvisible --pid " + std::to_string(pid) + " '' 2>/dev/null"));
  unsigned long id = 0;
  while (ids >> id) {
    // Our windows only, not a window manager's frames around them.
    if (Shell("xprop -id " + std::to_string(id) + " WM_CLASS 2>/dev/null").find("tandem_chats") ==
        std::string::npos)
      continue;
    TWindow w;
    w.id = id;
    const std::string shell =
        Shell("xdotool getwindowgeometry --shell " + std::to_string(id) + " 2>/dev/null");
    if (std::sscanf(shell.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &w.x, &w.y, &w.width,
                    &w.height) == 4)
      windows.push_back(w);
  }
  return windows;
}

class DialogsE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string programDir = std::getenv("TC_PROGRAM_DIR");
    m_program = m_root.path() + "/program/";
    fs::create_directories(m_program);
    fs::create_directories(m_root.path() + "/config");
    fs::copy_file(programDir + "/tandem_chats", m_program + "tandem_chats");
    fs::create_directory_symlink(programDir + "/skin", m_program + "skin");
    fs::copy_file(programDir + "/log.cfg", m_program + "log.cfg");
    WriteText(m_program + "HKEY_LOCAL_MACHINE.ini",
              "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WeChat]\n@created=1\n"
              "DisplayIcon=\"\"" +
                  programDir + "/standin\"\"\n");
    WriteText(m_program + "sys.cfg", "[SYSTEM]\nWebServer=http://127.0.0.1:" +
                                         std::to_string(m_server.Port()) + "/\nVERSION=9.9.9\n");
    WriteText(m_program + "user.dat",
              "[LOGIN]\nLastUser=13800000000\nUserPwd=demo1234\n[OPTION]\nAutoPlay=1\n");
  }

  void TearDown() override {
    if (m_pid > 0) {
      if (::kill(m_pid, 0) == 0) ::kill(m_pid, SIGTERM);
      int status = 0;
      WaitFor([&] { return ::waitpid(m_pid, &status, WNOHANG) != 0; }, 8000);
      if (::kill(m_pid, 0) == 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
      }
    }
  }

  std::string Log() const { return ReadText(m_root.path() + "/config/orvo2/tandem_chats.log"); }

  // Starts the workbench past its gates and waits for its frame.
  bool StartToFrame() {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      if (name != "XDG_CONFIG_HOME" && name != "QT_QPA_PLATFORM" && name != "XDG_RUNTIME_DIR")
        env.push_back(entry);
    }
    fs::create_directories(m_root.path() + "/run");
    fs::permissions(m_root.path() + "/run", fs::perms::owner_all);
    for (const std::string& more :
         {"XDG_CONFIG_HOME=" + m_root.path() + "/config", std::string("QT_QPA_PLATFORM=xcb"),
          "XDG_RUNTIME_DIR=" + m_root.path() + "/run", std::string("TC_DEV_SIGNIN=1"),
          std::string("TC_STANDIN_LOGIN_DELAY=60000"),
          "TC_STANDIN_DATA_ROOT=" + m_root.path() + "/wechat"})
      env.push_back(more);
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
    const int rc = posix_spawn(&m_pid, path.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    if (!WaitFor([&] { return (m_frame = Sized(1180, 760)).id != 0; })) return false;
    // The frame takes clicks once it has laid out and started its first copy.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    return true;
  }

  TWindow Sized(int width, int height) {
    for (const TWindow& w : WindowsOf(m_pid))
      if (w.width == width && w.height == height) return w;
    return {};
  }

  void ClickFrame(int x, int y) {
    Shell("xdotool mousemove " + std::to_string(m_frame.x + x) + " " +
          std::to_string(m_frame.y + y) + " click 1");
  }

  // Opens an item of the frame's top menu.
  void OpenMenuItem(int itemY) {
    ClickFrame(kMenuX, kMenuY);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ClickFrame(kMenuItemX, itemY);
  }

  // The owned modal window: transient for the frame, modal, no taskbar entry of its own; a
  // click on the blocked frame leaves it above the frame with the keyboard.
  void ExpectStaysWithTheFrame(unsigned long dialog) {
    CX x;
    EXPECT_EQ(x.TransientFor(dialog), m_frame.id) << "WM_TRANSIENT_FOR names the frame";
    EXPECT_TRUE(x.HasState(dialog, "_NET_WM_STATE_MODAL"));
    EXPECT_TRUE(x.HasState(dialog, "_NET_WM_STATE_SKIP_TASKBAR")) << "no taskbar entry";
    EXPECT_FALSE(x.HasState(m_frame.id, "_NET_WM_STATE_SKIP_TASKBAR")) << "the frame keeps one";
    for (int attempt = 0; attempt < 2; ++attempt) {
      ClickFrame(kListX, kListY);
      EXPECT_TRUE(WaitFor([&] { return x.Above(dialog, m_frame.id) && x.HasFocus(dialog); }, 4000))
          << "after click " << attempt + 1 << " on the frame, the dialog is "
          << (x.Above(dialog, m_frame.id) ? "above" : "below") << " it and "
          << (x.HasFocus(dialog) ? "has" : "lacks") << " the keyboard";
    }
  }

  // The processes started by the workbench (its copies).
  std::vector<pid_t> Children() const {
    std::vector<pid_t> children;
    for (const auto& entry : fs::directory_iterator("/proc")) {
      const std::string name = entry.path().filename();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      const std::string stat = ReadText(entry.path().string() + "/stat");
      const size_t close = stat.rfind(')');
      int ppid = 0;
      char state = 0;
      if (close != std::string::npos &&
          std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == m_pid &&
          state != 'Z')
        children.push_back(std::stoi(name));
    }
    return children;
  }

  // SIGTERM, as a desktop's log-out sends it: the workbench ends in order (code 0) and
  // stops its copies, also with a modal window open.
  void ExpectSigtermEndsEverything() {
    ASSERT_TRUE(WaitFor([&] { return !Children().empty(); })) << "no copy started";
    const std::vector<pid_t> copies = Children();
    ::kill(m_pid, SIGTERM);
    int status = 0;
    const bool ended = WaitFor([&] { return ::waitpid(m_pid, &status, WNOHANG) == m_pid; }, 8000);
    ASSERT_TRUE(ended) << "still running 8 s after SIGTERM\n" << Log();
    m_pid = -1;
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
    for (pid_t copy : copies)
      EXPECT_TRUE(WaitFor([&] { return ::kill(copy, 0) != 0; }, 5000))
          << "copy " << copy << " outlives the workbench";
  }

  TempDir m_root;
  std::string m_program;
  refserver::test::CTestServer m_server{[](refserver::TServerOptions& o) {
    o.bSeed = true;
    o.nWechatQuantity = 3;
  }};
  pid_t m_pid = -1;
  TWindow m_frame;
};

TEST_F(DialogsE2E, FeedbackStaysAboveTheFrameWithoutATaskbarEntry) {
  ASSERT_TRUE(StartToFrame()) << Log();
  OpenMenuItem(kFeedbackItemY);
  TWindow dialog;
  ASSERT_TRUE(WaitFor([&] { return (dialog = Sized(460, 360)).id != 0; })) << Log();
  ExpectStaysWithTheFrame(dialog.id);
}

TEST_F(DialogsE2E, PersonalCentreStaysAboveTheFrameWithoutATaskbarEntry) {
  ASSERT_TRUE(StartToFrame()) << Log();
  OpenMenuItem(kPasswordItemY);
  TWindow dialog;
  ASSERT_TRUE(WaitFor([&] { return (dialog = Sized(420, 360)).id != 0; })) << Log();
  ExpectStaysWithTheFrame(dialog.id);
}

TEST_F(DialogsE2E, MessageBoxStaysAboveTheFrameWithoutATaskbarEntry) {
  ASSERT_TRUE(StartToFrame()) << Log();
  OpenMenuItem(kUpdateItemY);  // the server's version is ours: "已是最新版本."
  unsigned long box = 0;
  ASSERT_TRUE(WaitFor([&] {
    std::istringstream ids(Shell("xdotool search --onlyvisible --name 版本更新 2>/dev/null"));
    return static_cast<bool>(ids >> box);
  })) << Log();
  ExpectStaysWithTheFrame(box);
}

// The cover over the copy's top strip is above the copy's window, also after a modal window
// has come and gone.
TEST_F(DialogsE2E, TheCoverStaysAboveTheCopyAfterAModalWindow) {
  ASSERT_TRUE(StartToFrame()) << Log();
  CX x;
  const auto coverOnTop = [&] {
    return x.ChildOnTop(static_cast<xcb_window_t>(m_frame.id), 280, 30);
  };
  ASSERT_TRUE(WaitFor(coverOnTop)) << "no cover over the copy's login window";
  for (int round = 0; round < 2; ++round) {
    OpenMenuItem(kFeedbackItemY);
    TWindow dialog;
    ASSERT_TRUE(WaitFor([&] { return (dialog = Sized(460, 360)).id != 0; })) << Log();
    Shell("xdotool key Escape");
    ASSERT_TRUE(WaitFor([&] { return Sized(460, 360).id == 0; }, 5000)) << "feedback stays";
    EXPECT_TRUE(WaitFor(coverOnTop, 3000)) << "the cover sank below the copy, round " << round;
  }
}

TEST_F(DialogsE2E, SigtermWithTheFeedbackWindowOpenEndsTheProgramAndItsCopies) {
  ASSERT_TRUE(StartToFrame()) << Log();
  OpenMenuItem(kFeedbackItemY);
  ASSERT_TRUE(WaitFor([&] { return Sized(460, 360).id != 0; })) << Log();
  ExpectSigtermEndsEverything();
}

TEST_F(DialogsE2E, SigtermWithAMessageBoxOpenEndsTheProgramAndItsCopies) {
  ASSERT_TRUE(StartToFrame()) << Log();
  OpenMenuItem(kUpdateItemY);
  ASSERT_TRUE(WaitFor([&] {
    return Shell("xdotool search --onlyvisible --name 版本更新 2>/dev/null")
               .find_first_of("0123456789") != std::string::npos;
  })) << Log();
  ExpectSigtermEndsEverything();
}

}  // namespace
