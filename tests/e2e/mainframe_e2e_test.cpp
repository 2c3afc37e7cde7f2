// The workbench as an operator meets it: the real tandem_chats program, signed in with the
// development switch against the reference server, running stand-in clients, on a real X
// server (bare or under openbox, started around this program by scripts/xvfb-run-wm.sh).
// The tests share one run of the workbench as long as it is in the state the next one needs;
// each says which state it starts from, and a test after a failed one starts the workbench
// afresh, so that one fault fails one test.
//
// Everything is observed from outside: which client window is mapped and on top inside the
// frame, the window manager's client list and window states are read from the X server;
// processes from /proc; what the frame told the operator (message boxes, the counter, row
// titles, the copy on show) from its log. Input is real: pointer clicks and keys through
// XTest; message boxes are answered through the workbench's answers file. Before it acts, a
// test waits for the state it acts on, and a test that shows that nothing happened waits
// for the frame's answer to a ping: the frame has then handled everything sent before.
#include "platform/win32/DesktopBackend.h"
#include "platform/win32/Input.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Toolhelp.h"
#include "platform/win32/Window.h"
#include "tests/support/TestFiles.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <xcb/xcb.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testing_support::WaitUntil;

constexpr const char* kTitle = "Orvo客服-电商版";
constexpr int kQuota = 3;
// Client points of the frame, from skin/tandem_chats.xml (1180 x 760, border 1, caption 48,
// left column 152 wide: add button, counter row, separator, then rows of 60).
constexpr int kAddX = 77, kAddY = 81;
constexpr int kCloseX = 1155, kCloseY = 25;
constexpr int kListTop = 134, kRowHeight = 60;
constexpr int kRowClickX = 100;
constexpr int kKickX = 140, kKickOffsetY = 10;

struct TFreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, TFreeDeleter>;

// Read-only questions to the X server, on a connection of the test's own.
class CXProbe {
 public:
  CXProbe() : m_pXcb(xcb_connect(nullptr, nullptr)) {
    m_nRoot = xcb_setup_roots_iterator(xcb_get_setup(m_pXcb)).data->root;
  }
  ~CXProbe() { xcb_disconnect(m_pXcb); }

  xcb_atom_t Atom(const char* name) {
    auto cookie = xcb_intern_atom(m_pXcb, 0, static_cast<uint16_t>(std::strlen(name)), name);
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_pXcb, cookie, nullptr));
    return reply ? reply->atom : 0;
  }
  std::string AtomName(xcb_atom_t atom) {
    Reply<xcb_get_atom_name_reply_t> reply(
        xcb_get_atom_name_reply(m_pXcb, xcb_get_atom_name(m_pXcb, atom), nullptr));
    if (!reply) return {};
    return std::string(xcb_get_atom_name_name(reply.get()),
                       static_cast<size_t>(xcb_get_atom_name_name_length(reply.get())));
  }
  std::string Property(xcb_window_t window, const char* name) {
    auto cookie =
        xcb_get_property(m_pXcb, 0, window, Atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_pXcb, cookie, nullptr));
    if (!reply) return {};
    const int length = xcb_get_property_value_length(reply.get());
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<size_t>(length));
  }
  std::vector<uint32_t> Numbers(xcb_window_t window, const char* name) {
    const std::string bytes = Property(window, name);
    std::vector<uint32_t> numbers(bytes.size() / 4);
    if (!numbers.empty()) std::memcpy(numbers.data(), bytes.data(), numbers.size() * 4);
    return numbers;
  }
  std::vector<std::string> AtomNames(xcb_window_t window, const char* name) {
    std::vector<std::string> names;
    for (uint32_t atom : Numbers(window, name)) names.push_back(AtomName(atom));
    return names;
  }
  std::string ClassOf(xcb_window_t window) {
    const std::string wmClass = Property(window, "WM_CLASS");
    const size_t zero = wmClass.find('\0');
    if (zero == std::string::npos) return {};
    return std::string(wmClass.c_str() + zero + 1);
  }
  uint32_t PidOf(xcb_window_t window) {
    const auto numbers = Numbers(window, "_NET_WM_PID");
    return numbers.empty() ? 0 : numbers[0];
  }
  // Children bottom to top, as the server stacks them.
  std::vector<xcb_window_t> Children(xcb_window_t window) {
    Reply<xcb_query_tree_reply_t> reply(
        xcb_query_tree_reply(m_pXcb, xcb_query_tree(m_pXcb, window), nullptr));
    if (!reply) return {};
    const xcb_window_t* children = xcb_query_tree_children(reply.get());
    return std::vector<xcb_window_t>(children,
                                     children + xcb_query_tree_children_length(reply.get()));
  }
  bool Viewable(xcb_window_t window) {
    Reply<xcb_get_window_attributes_reply_t> reply(xcb_get_window_attributes_reply(
        m_pXcb, xcb_get_window_attributes(m_pXcb, window), nullptr));
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
  }
  bool Exists(xcb_window_t window) {
    Reply<xcb_get_window_attributes_reply_t> reply(xcb_get_window_attributes_reply(
        m_pXcb, xcb_get_window_attributes(m_pXcb, window), nullptr));
    return reply != nullptr;
  }
  // The client windows (by pid) inside `top`, each with whether it is viewable, in stacking
  // order from the bottom: a depth-first walk that keeps sibling order.
  void ClientWindows(xcb_window_t top, std::vector<std::pair<uint32_t, bool>>& out) {
    for (xcb_window_t child : Children(top)) {
      const std::string cls = ClassOf(child);
      if (cls == "WeChatLoginWndForPC" || cls == "WeChatMainWndForPC")
        out.push_back({PidOf(child), Viewable(child)});
      else
        ClientWindows(child, out);
    }
  }
  // The process whose client window is viewable and on top inside the frame; 0 when no
  // client window is viewable. `viewable` counts the viewable ones.
  uint32_t ShownCopy(xcb_window_t frame, int* viewable) {
    std::vector<std::pair<uint32_t, bool>> windows;
    ClientWindows(frame, windows);
    uint32_t shown = 0;
    *viewable = 0;
    for (const auto& [pid, isViewable] : windows)
      if (isViewable) {
        ++*viewable;
        shown = pid;
      }
    return shown;
  }
  // Viewable top-level windows of a process (inside window manager frames too).
  std::vector<xcb_window_t> TopLevels(uint32_t pid) {
    std::vector<xcb_window_t> found;
    for (xcb_window_t child : Children(m_nRoot))
      for (xcb_window_t w : WithFrameChildren(child))
        if (PidOf(w) == pid && Viewable(w)) found.push_back(w);
    return found;
  }
  // The window's rectangle on the screen; empty when it is gone.
  RECT Geometry(xcb_window_t window) {
    Reply<xcb_get_geometry_reply_t> size(
        xcb_get_geometry_reply(m_pXcb, xcb_get_geometry(m_pXcb, window), nullptr));
    Reply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
        m_pXcb, xcb_translate_coordinates(m_pXcb, window, m_nRoot, 0, 0), nullptr));
    if (!size || !at) return RECT{};
    return RECT{at->dst_x, at->dst_y, at->dst_x + size->width, at->dst_y + size->height};
  }
  // True when the keyboard focus is on the window or inside it.
  bool HasFocus(xcb_window_t window) {
    Reply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(m_pXcb, xcb_get_input_focus(m_pXcb), nullptr));
    for (xcb_window_t at = reply ? reply->focus : 0; at > XCB_INPUT_FOCUS_POINTER_ROOT;) {
      if (at == window) return true;
      Reply<xcb_query_tree_reply_t> tree(
          xcb_query_tree_reply(m_pXcb, xcb_query_tree(m_pXcb, at), nullptr));
      at = tree ? tree->parent : 0;
    }
    return false;
  }
  // Sends the window's client a _NET_WM_PING and waits at most timeoutMs for the answer. A
  // client answers once it has handled every event that reached it before the ping: the
  // clicks and keys sent before, and all they started on its GUI thread.
  bool Ping(xcb_window_t window, int timeoutMs) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
      xcb_disconnect(c);
      return false;
    }
    // Answers go to the root: Qt's to those who listen for its structure, other toolkits' to
    // those who listen for its sub-windows'.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, m_nRoot, XCB_CW_EVENT_MASK, &mask);
    static uint32_t s_nToken = 1000;
    const uint32_t token = ++s_nToken;
    xcb_client_message_event_t ping{};
    ping.response_type = XCB_CLIENT_MESSAGE;
    ping.format = 32;
    ping.window = window;
    ping.type = Atom("WM_PROTOCOLS");
    ping.data.data32[0] = Atom("_NET_WM_PING");
    ping.data.data32[1] = token;
    ping.data.data32[2] = window;
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ping));
    xcb_flush(c);
    const bool answered = WaitUntil(
        [&] {
          bool found = false;
          while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            found = found ||
                    ((event->response_type & 0x7F) == XCB_CLIENT_MESSAGE &&
                     message->type == ping.type && message->data.data32[0] == ping.data.data32[0] &&
                     message->data.data32[1] == token);
            std::free(event);
          }
          return found || xcb_connection_has_error(c) != 0;
        },
        timeoutMs);
    const bool ok = answered && !xcb_connection_has_error(c);
    xcb_disconnect(c);
    return ok;
  }
  std::vector<uint32_t> ClientList() { return Numbers(m_nRoot, "_NET_CLIENT_LIST"); }
  bool HasWindowManager() { return !Numbers(m_nRoot, "_NET_SUPPORTING_WM_CHECK").empty(); }
  // Top-level windows of a process with this title (viewable ones only when asked).
  xcb_window_t FindTopLevel(uint32_t pid, const std::string& title, bool viewableOnly) {
    for (xcb_window_t child : Children(m_nRoot)) {
      for (xcb_window_t w : WithFrameChildren(child)) {
        if (PidOf(w) != pid || Property(w, "_NET_WM_NAME") != title) continue;
        if (!viewableOnly || Viewable(w)) return w;
      }
    }
    return 0;
  }

 private:
  // A root child and, under a window manager, the client windows inside its frame.
  std::vector<xcb_window_t> WithFrameChildren(xcb_window_t window) {
    std::vector<xcb_window_t> all{window};
    for (xcb_window_t child : Children(window)) all.push_back(child);
    return all;
  }

  xcb_connection_t* m_pXcb;
  xcb_window_t m_nRoot = 0;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

using testing_support::CommandOutput;

bool ProcessAlive(pid_t pid) {
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

pid_t Spawn(const std::vector<std::string>& args, const fs::path& output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Waits for a child to end; its exit code, or -1 when it did not end in time.
int WaitExit(pid_t pid, int timeoutMs) {
  int status = 0;
  const bool ended = WaitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs);
  if (!ended) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

struct TSession {
  fs::path root;
  fs::path program;
  fs::path log;
  std::string server;  // http://127.0.0.1:PORT/zoduda_vudi/
  pid_t serverPid = -1;
  pid_t framePid = -1;
  xcb_window_t frame = 0;
  std::string avatar;                    // the picture the server serves for every account
  std::vector<uint32_t> rows;            // process of each row, top to bottom
  std::map<uint32_t, std::string> keys;  // process -> instance key
  size_t added = 0;                      // copies added by the frame so far
  int oldLogs = 0;                       // logs of earlier starts, kept as .1, .2, ...
  bool known = false;                    // the workbench is in the state the last test left
  std::unique_ptr<CXProbe> x;
};

TSession* s_session = nullptr;

class MainFrameE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  TSession& S() { return *s_session; }
  CXProbe& X() { return *S().x; }

  // A failed test leaves the workbench in a state nobody knows: the next one starts afresh.
  void TearDown() override {
    if (HasFailure()) S().known = false;
  }

  // Ends whatever of the run still runs (a plain kill is a confirmed exit, after which the
  // copies end with the workbench; strays are killed) and forgets its rows and answers.
  void StopWorkbench() {
    S().known = false;
    if (S().framePid > 0) {
      if (ProcessAlive(S().framePid)) ::kill(S().framePid, SIGTERM);
      if (WaitExit(S().framePid, 10000) < 0) {
        ::kill(S().framePid, SIGKILL);
        WaitExit(S().framePid, 5000);
      }
    }
    S().framePid = -1;
    S().frame = 0;
    for (uint32_t pid : StandinsOfRun()) ::kill(static_cast<pid_t>(pid), SIGKILL);
    ASSERT_TRUE(WaitUntil([&] { return StandinsOfRun().empty(); }, 5000)) << "copies outlive it";
    std::ofstream(S().root / "answers.txt", std::ios::trunc);
    S().rows.clear();
    S().keys.clear();
    S().added = 0;
  }
  // Starts the workbench (its output into `out`) and waits for its frame and first copy.
  void StartWorkbench(const std::string& out) {
    StartNewLog();
    S().added = 0;
    S().rows.clear();
    S().framePid = Spawn({(S().program / "tandem_chats").string()}, S().root / out);
    ASSERT_GT(S().framePid, 0);
    ASSERT_TRUE(WaitUntil(
        [&] {
          return (S().frame = X().FindTopLevel(static_cast<uint32_t>(S().framePid), kTitle, true));
        },
        15000))
        << ReadFile(S().root / out) << Log();
    NoteNewCopy();
  }
  // The state that the tests before left: running, the frame on screen and answering, the
  // rows those of its copies, no answer left for a box.
  bool Healthy() {
    if (!S().known || S().framePid <= 0 || !ProcessAlive(S().framePid) || !S().frame ||
        !X().Viewable(S().frame) || !ReadFile(S().root / "answers.txt").empty())
      return false;
    std::vector<uint32_t> copies = CopiesOf(S().framePid);
    std::vector<uint32_t> rows = S().rows;
    std::sort(copies.begin(), copies.end());
    std::sort(rows.begin(), rows.end());
    return copies == rows && X().Ping(S().frame, 5000);
  }
  // Where every test starts: the workbench running, its frame on screen with `copies` copies
  // in its rows, the last one shown. What the test before left serves when it is that (or
  // fewer copies: they are added); anything else starts the workbench afresh.
  void Reset(size_t copies) {
    if (!Healthy() || S().rows.size() > copies) {
      ASSERT_NO_FATAL_FAILURE(StopWorkbench());
      ASSERT_NO_FATAL_FAILURE(StartWorkbench("restart.out"));
      ExpectShown(0);
    }
    while (S().rows.size() < copies) ASSERT_NO_FATAL_FAILURE(AddCopy());
    ASSERT_EQ(S().rows.size(), copies);
    S().known = true;
  }
  // Adds a copy with the add button, enabled again once the last copy shows a window, and
  // waits until the new copy is the one shown.
  void AddCopy() {
    ASSERT_TRUE(WaitUntil([&] { return Count("WECHATLOGINUIGOT or") >= S().added; }, 10000));
    Click(kAddX, kAddY);
    NoteNewCopy();
    ExpectShown(S().rows.size() - 1);
  }

  // The log of the workbench (found once it exists).
  std::string Log() {
    if (S().log.empty())
      for (const auto& entry : fs::recursive_directory_iterator(S().root / "home"))
        if (entry.path().filename() == "tandem_chats.log") S().log = entry.path();
    return S().log.empty() ? std::string() : ReadFile(S().log);
  }
  size_t Count(const std::string& text) {
    const std::string log = Log();
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count;
  }
  // The text of the last line that holds `text`.
  std::string LastLine(const std::string& text) {
    const std::string log = Log();
    const size_t at = log.rfind(text);
    if (at == std::string::npos) return {};
    const size_t start = log.rfind('\n', at) + 1;
    return log.substr(start, log.find('\n', at) - start);
  }
  // The next start writes a new log; the old one is kept beside it for a failure's reader.
  void StartNewLog() {
    Log();
    if (S().log.empty()) return;
    fs::rename(S().log, S().log.string() + "." + std::to_string(++S().oldLogs));
    S().log.clear();
  }
  bool WaitLog(const std::string& text, size_t count, int timeoutMs) {
    return WaitUntil([&] { return Count(text) >= count; }, timeoutMs);
  }

  // Client processes whose parent is the process `parent`.
  std::vector<uint32_t> CopiesOf(pid_t parent) {
    std::vector<uint32_t> pids;
    for (const win32::TProcessRow& row : win32::ReadProcessTable())
      if (row.dwParentPid == static_cast<DWORD>(parent) && row.strExeFile == "standin")
        pids.push_back(row.dwPid);
    return pids;
  }
  // Stand-in processes of this run (the data root is in their environment).
  std::vector<uint32_t> StandinsOfRun() {
    std::vector<uint32_t> pids;
    for (const win32::TProcessRow& row : win32::ReadProcessTable()) {
      if (row.strExeFile != "standin" || !ProcessAlive(static_cast<pid_t>(row.dwPid))) continue;
      const std::string env = ReadFile("/proc/" + std::to_string(row.dwPid) + "/environ");
      if (env.find((S().root / "wechat").string()) != std::string::npos) pids.push_back(row.dwPid);
    }
    return pids;
  }

  RECT FrameRect() {
    RECT rect{};
    win32::GetDesktopBackend()->GetRect(reinterpret_cast<HWND>(uintptr_t{S().frame}), &rect);
    return rect;
  }
  void Click(int clientX, int clientY) {
    ASSERT_TRUE(WaitUntil([&] { return X().Viewable(S().frame); }, 5000)) << "no frame to click";
    const RECT frame = FrameRect();
    const std::string command = "xdotool mousemove --sync " + std::to_string(frame.left + clientX) +
                                " " + std::to_string(frame.top + clientY) + " click 1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    ASSERT_TRUE(X().Ping(S().frame, 5000)) << "the frame did not take the click";
  }
  void ClickRow(int row) { Click(kRowClickX, kListTop + row * kRowHeight + 30); }

  // Message boxes are answered through the workbench's TC_MESSAGEBOX_ANSWERS file: the test
  // gives the answer before the action, then waits until the box was raised (its log line)
  // and has taken the answer.
  void Answer(const char* answer) { std::ofstream(S().root / "answers.txt") << answer << "\n"; }
  bool WaitBox(const std::string& caption, const std::string& text, size_t before,
               int timeoutMs = 5000) {
    const std::string line = "message box \"" + caption + "\": " + text;
    return WaitLog(line, before + 1, timeoutMs) &&
           WaitUntil([&] { return ReadFile(S().root / "answers.txt").empty(); }, timeoutMs);
  }

  // Waits until the copy of row `row` is the one shown, as the X server has it.
  void ExpectShown(size_t row) {
    const uint32_t pid = S().rows.at(row);
    int viewable = 0;
    EXPECT_TRUE(WaitUntil(
        [&] { return X().ShownCopy(S().frame, &viewable) == pid && viewable == 1; }, 3000))
        << "row " << row + 1 << " (process " << pid << ") is not the one shown; shown "
        << X().ShownCopy(S().frame, &viewable) << ", viewable " << viewable;
    // What the frame reports: the selected row's key is the manager's current copy.
    const std::string key = S().keys[pid];
    const std::string expected = "listWeID:" + key + "   GetCurrWeChat: " + key;
    EXPECT_TRUE(WaitUntil(
        [&] { return LastLine("Tandem_paint").find(expected) != std::string::npos; }, 3000))
        << LastLine("Tandem_paint");
  }

  // Opens the tray icon's menu as a right click on the icon does (the pointer placed first:
  // the menu opens at it) and returns the menu's window once it is viewable and has handled
  // its showing, or 0.
  xcb_window_t OpenTrayMenu() {
    const auto pid = static_cast<uint32_t>(S().framePid);
    const std::vector<xcb_window_t> before = X().TopLevels(pid);
    const RECT frame = FrameRect();
    const std::string move = "xdotool mousemove --sync " + std::to_string(frame.left + 600) + " " +
                             std::to_string(frame.top + 400);
    if (std::system(move.c_str()) != 0) return 0;
    const UINT tray = RegisterWindowMessageA("WM_TRAYICON");
    if (!PostMessageA(reinterpret_cast<HWND>(uintptr_t{S().frame}), tray, 107, WM_RBUTTONUP)) {
      ADD_FAILURE() << "the tray message was not posted";
      return 0;
    }
    // The menu: a new viewable top-level window of the frame's process.
    xcb_window_t menu = 0;
    const auto findMenu = [&] {
      menu = 0;
      for (xcb_window_t w : X().TopLevels(pid))
        if (std::find(before.begin(), before.end(), w) == before.end()) menu = w;
      return menu != 0;
    };
    if (!WaitUntil(findMenu, 5000)) return 0;
    // Laid out and painted before it is clicked: it has handled its showing.
    if (!X().Ping(menu, 5000)) ADD_FAILURE() << "the menu does not answer";
    return findMenu() ? menu : 0;
  }

  // After an add: the new copy's process, key and row.
  void NoteNewCopy() {
    ASSERT_TRUE(WaitLog(": process ", S().added + 1, 5000)) << "no copy was added";
    ++S().added;
    const std::string line = LastLine(": process ");
    std::smatch match;
    ASSERT_TRUE(
        std::regex_search(line, match, std::regex("copy ([0-9A-Fa-f-]{36}): process ([0-9]+)")))
        << line;
    const auto pid = static_cast<uint32_t>(std::stoul(match[2]));
    S().keys[pid] = match[1];
    S().rows.push_back(pid);
  }
};

void MainFrameE2E::SetUpTestSuite() {
  s_session = new TSession;
  TSession& s = *s_session;
  s.x = std::make_unique<CXProbe>();
  s.root = fs::temp_directory_path() / ("mainframe_e2e_" + std::to_string(::getpid()));
  fs::remove_all(s.root);
  fs::create_directories(s.root / "home" / ".config");
  s.program = s.root / "program";
  fs::create_directories(s.program);
  const std::string built = std::getenv("TC_PROGRAM_DIR") ? std::getenv("TC_PROGRAM_DIR") : ".";
  ::setenv("HOME", (s.root / "home").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (s.root / "home" / ".config").c_str(), 1);
  ::setenv("TC_HKCU_FILE", (s.root / "hkcu.ini").c_str(), 1);
  ::setenv("TC_HKLM_FILE", (s.root / "hklm.ini").c_str(), 1);
  ::setenv("TC_STANDIN_DATA_ROOT", (s.root / "wechat").c_str(), 1);
  ::setenv("TC_STANDIN_LOGIN_DELAY", "1200", 1);
  ::setenv("TC_DEV_SIGNIN", "1", 1);
  ::setenv("TC_MESSAGEBOX_ANSWERS", (s.root / "answers.txt").c_str(), 1);

  // The reference server on a free port, quota 3.
  const fs::path serverOut = s.root / "refserver.out";
  s.serverPid = Spawn({built + "/refserver", "--port", "0", "--data", (s.root / "server").string(),
                       "--seed", "--fast-hash", "--wechat-quantity", std::to_string(kQuota)},
                      serverOut);
  ASSERT_GT(s.serverPid, 0);
  std::smatch match;
  std::string out;
  ASSERT_TRUE(WaitUntil(
      [&] {
        out = ReadFile(serverOut);
        return std::regex_search(out, match, std::regex("listening on 127\\.0\\.0\\.1:([0-9]+)"));
      },
      10000))
      << out;
  s.server = "http://127.0.0.1:" + match[1].str() + "/zoduda_vudi/";
  const std::smatch port = match;

  // A program folder of the run's own: the built program with this server in sys.cfg and a
  // log that keeps what the test reads (the copy on show is logged at trace level).
  fs::copy_file(built + "/tandem_chats", s.program / "tandem_chats");
  fs::create_directory_symlink(fs::canonical(built + "/skin"), s.program / "skin");
  fs::copy_file(built + "/user.dat", s.program / "user.dat");
  // The base address: the client adds "zoduda_vudi/" to it.
  std::ofstream(s.program / "sys.cfg")
      << "[SYSTEM]\nWebServer=http://127.0.0.1:" << port[1].str() << "/\nVERSION=1.0.0\n";
  std::ofstream(s.program / "log.cfg")
      << "log4cplus.rootLogger=DEBUG, FILE\n"
         "log4cplus.logger.platform.win32.debug=TRACE\n"
         "log4cplus.appender.FILE=log4cplus::FileAppender\n"
         // A second start writes to the same log: it must not cut the first one's.
         "log4cplus.appender.FILE.Append=true\n"
         "log4cplus.appender.FILE.File=./tandem_chats.log\n"
         "log4cplus.appender.FILE.layout=log4cplus::PatternLayout\n"
         "log4cplus.appender.FILE.layout.ConversionPattern=%D{%H:%M:%S.%q} %-5p %m%n\n";

  // The account pictures and a remark for the second account, through the server's API.
  const std::string login = CommandOutput("curl -s -d phone=13800000000 -d password=demo1234 " +
                                          s.server + "account/login.do");
  ASSERT_TRUE(std::regex_search(login, match, std::regex("\"logintoken\"\\s*:\\s*\"([^\"]+)\"")))
      << login;
  const std::string token = match[1];
  ASSERT_EQ(std::system(("convert -size 64x64 gradient:'#2F80ED-#56CCF2' " +
                         (s.root / "avatar.png").string())
                            .c_str()),
            0);
  const std::string upload = CommandOutput("curl -s -F file=@" + (s.root / "avatar.png").string() +
                                           " -F filename=avatar.png '" + s.server +
                                           "upload/uploadPic.do?tokenId=" + token + "'");
  ASSERT_TRUE(std::regex_search(upload, match, std::regex("\"obj\"\\s*:\\s*\"([^\"]+)\"")))
      << upload;
  s.avatar = s.server + "upload/pic/" + match[1].str();
  const std::string remark = CommandOutput(
      "curl -s -d remarkId=0 -d openId=wxid_e2e_b --data-urlencode remarkInfo=售后专线 "
      "-d tokenId=" +
      token + " " + s.server + "weChat/editRemarkInfo.do");
  ASSERT_NE(remark.find("\"resultCode\":1"), std::string::npos) << remark;
  std::ofstream(s.root / "accounts.txt")
      << "wxid_e2e_a\t客服甲\t" << s.avatar << "\nwxid_e2e_b\t客服乙\t" << s.avatar
      << "\nwxid_e2e_c\t客服丙\t" << s.avatar << "\n";
  ::setenv("TC_STANDIN_ACCOUNTS", (s.root / "accounts.txt").c_str(), 1);

  // The stand-in is the chat client.
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WeChat", 0, nullptr, 0,
                  KEY_WRITE, nullptr, &key, nullptr);
  const std::string quoted = "\"" + built + "/standin\"";
  RegSetValueExA(key, "DisplayIcon", 0, REG_SZ, reinterpret_cast<const BYTE*>(quoted.c_str()),
                 static_cast<DWORD>(quoted.size() + 1));
  RegCloseKey(key);
}

void MainFrameE2E::TearDownTestSuite() {
  TSession& s = *s_session;
  if (s.framePid > 0 && ProcessAlive(s.framePid)) {
    ::kill(s.framePid, SIGTERM);
    if (WaitExit(s.framePid, 5000) < 0) ::kill(s.framePid, SIGKILL);
  }
  // Nothing of the run may outlive it, whatever failed.
  for (const win32::TProcessRow& row : win32::ReadProcessTable()) {
    if (row.strExeFile != "standin") continue;
    const std::string env = ReadFile("/proc/" + std::to_string(row.dwPid) + "/environ");
    if (env.find((s.root / "wechat").string()) != std::string::npos)
      ::kill(static_cast<pid_t>(row.dwPid), SIGKILL);
  }
  if (s.serverPid > 0) {
    ::kill(s.serverPid, SIGTERM);
    WaitExit(s.serverPid, 5000);
  }
  if (::testing::UnitTest::GetInstance()->failed_test_count() == 0) fs::remove_all(s.root);
  delete s_session;
  s_session = nullptr;
}

TEST_F(MainFrameE2E, TheFrameOpensWithOneCopyShownInIt) {
  ASSERT_NO_FATAL_FAILURE(StopWorkbench());
  ASSERT_NO_FATAL_FAILURE(StartWorkbench("frame.out"));
  ASSERT_EQ(S().rows.size(), 1u);
  ASSERT_EQ(CopiesOf(S().framePid), std::vector<uint32_t>{S().rows[0]});
  ExpectShown(0);
  EXPECT_TRUE(WaitLog("webchats_numbs: 1/3", 1, 3000)) << Log();
  S().known = true;
}

TEST_F(MainFrameE2E, AddingStopsAtTheQuotaWithTheLimitMessage) {
  ASSERT_NO_FATAL_FAILURE(Reset(1));
  // The add button is enabled again once the new copy shows a window.
  for (int i = 1; i < kQuota; ++i) ASSERT_NO_FATAL_FAILURE(AddCopy());
  EXPECT_EQ(CopiesOf(S().framePid).size(), 3u);
  EXPECT_TRUE(WaitLog("webchats_numbs: 3/3", 1, 3000));
  ASSERT_TRUE(WaitUntil([&] { return Count("WECHATLOGINUIGOT or") >= S().added; }, 10000));
  Answer("ok");
  Click(kAddX, kAddY);
  EXPECT_TRUE(WaitBox("添加微信", "微信数已经到达系统设置的最大值.", 0)) << "no limit message";
  // A copy would have been started before the frame answers.
  EXPECT_TRUE(X().Ping(S().frame, 5000));
  EXPECT_EQ(CopiesOf(S().framePid).size(), 3u) << "the fourth add started a copy";
}

TEST_F(MainFrameE2E, EachRowGetsItsTitleAndPictureAfterItsLogin) {
  ASSERT_NO_FATAL_FAILURE(Reset(3));
  ASSERT_EQ(S().rows.size(), 3u);
  for (const std::string& key :
       {S().keys[S().rows[0]], S().keys[S().rows[1]], S().keys[S().rows[2]]})
    ASSERT_TRUE(WaitLog(key + " row titled: ", 1, 15000)) << "no profile for " << key;
  // The stand-ins take the accounts in order; the second has a remark on the server.
  EXPECT_NE(LastLine(S().keys[S().rows[0]] + " row titled: ").find("客服甲"), std::string::npos);
  EXPECT_NE(LastLine(S().keys[S().rows[1]] + " row titled: ").find("售后专线"), std::string::npos);
  EXPECT_NE(LastLine(S().keys[S().rows[2]] + " row titled: ").find("客服丙"), std::string::npos);
  // Every picture was fetched into Faces/ with the bytes the server serves.
  const std::string avatar = ReadFile(S().root / "avatar.png");
  int faces = 0;
  for (const auto& entry : fs::recursive_directory_iterator(S().root / "home"))
    if (entry.path().parent_path().filename() == "Faces") {
      ++faces;
      EXPECT_EQ(ReadFile(entry.path()), avatar) << entry.path();
    }
  EXPECT_EQ(faces, 3);
}

TEST_F(MainFrameE2E, ClickingRowsShowsAndReportsTheCopyClicked) {
  ASSERT_NO_FATAL_FAILURE(Reset(3));
  for (size_t row : {0u, 1u, 2u, 0u, 2u}) {
    ClickRow(static_cast<int>(row));
    ExpectShown(row);
  }
}

TEST_F(MainFrameE2E, ACopyKilledLeavesTheListWithinASecond) {
  ASSERT_NO_FATAL_FAILURE(Reset(3));
  const uint32_t killed = S().rows[1];
  // The numbers follow: the third row moves up and the counter shows 2/3.
  const size_t twos = Count("webchats_numbs: 2/3");
  ASSERT_EQ(::kill(static_cast<pid_t>(killed), SIGKILL), 0);
  EXPECT_TRUE(WaitLog("webchats_numbs: 2/3", twos + 1, 1000))
      << "the row did not go within a second";
  S().rows.erase(S().rows.begin() + 1);
  EXPECT_EQ(CopiesOf(S().framePid).size(), 2u);
  ClickRow(1);
  ExpectShown(1);
}

TEST_F(MainFrameE2E, EscapeDoesNothing) {
  ASSERT_NO_FATAL_FAILURE(Reset(2));
  const size_t boxes = Count("message box");
  ASSERT_TRUE(SetForegroundWindow(reinterpret_cast<HWND>(uintptr_t{S().frame})));
  ASSERT_TRUE(WaitUntil([&] { return X().HasFocus(S().frame); }, 5000)) << "the frame has no focus";
  keybd_event(VK_ESCAPE, 0, 0, 0);
  keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
  EXPECT_TRUE(X().Ping(S().frame, 5000)) << "the frame did not take the key";
  EXPECT_TRUE(X().Viewable(S().frame));
  EXPECT_EQ(Count("message box"), boxes);
  EXPECT_EQ(CopiesOf(S().framePid).size(), 2u);
}

TEST_F(MainFrameE2E, ClosingAsksAndCancelKeepsEverythingRunning) {
  ASSERT_NO_FATAL_FAILURE(Reset(2));
  const std::vector<uint32_t> before = CopiesOf(S().framePid);
  const size_t asked = Count("message box \"确认\": 请确认是否退出？");
  Answer("cancel");
  // The window's own close command, as a window manager sends it.
  ASSERT_TRUE(win32::GetDesktopBackend()->Close(reinterpret_cast<HWND>(uintptr_t{S().frame})));
  EXPECT_TRUE(WaitBox("确认", "请确认是否退出？", asked)) << "closing did not ask";
  // Had it gone on closing, it would have done so before it answers.
  EXPECT_TRUE(X().Ping(S().frame, 5000));
  EXPECT_TRUE(X().Viewable(S().frame));
  EXPECT_TRUE(ProcessAlive(S().framePid));
  EXPECT_EQ(CopiesOf(S().framePid), before);
}

TEST_F(MainFrameE2E, KickingOffTheOnlyRowStartsANewCopy) {
  ASSERT_NO_FATAL_FAILURE(Reset(2));
  // Kick off the second row (selected first, so that its button shows), then the only one.
  ClickRow(1);
  ExpectShown(1);
  const uint32_t second = S().rows[1];
  const size_t ones = Count("webchats_numbs: 1/3");
  Click(kKickX, kListTop + kRowHeight + kKickOffsetY);
  EXPECT_TRUE(WaitUntil([&] { return !ProcessAlive(static_cast<pid_t>(second)); }, 5000));
  EXPECT_TRUE(WaitLog("webchats_numbs: 1/3", ones + 1, 3000));
  S().rows.erase(S().rows.begin() + 1);
  const uint32_t only = S().rows[0];
  Click(kKickX, kListTop + kKickOffsetY);
  EXPECT_TRUE(WaitUntil([&] { return !ProcessAlive(static_cast<pid_t>(only)); }, 5000));
  S().rows.clear();
  NoteNewCopy();
  EXPECT_NE(S().rows[0], only);
  EXPECT_EQ(CopiesOf(S().framePid), std::vector<uint32_t>{S().rows[0]});
  ExpectShown(0);
}

TEST_F(MainFrameE2E, TheCloseButtonHidesIntoTheTrayAndASecondStartBringsItBack) {
  ASSERT_NO_FATAL_FAILURE(Reset(1));
  Click(kCloseX, kCloseY);
  ASSERT_TRUE(WaitUntil([&] { return !X().Viewable(S().frame); }, 3000)) << "the frame stayed";
  const bool wm = X().HasWindowManager();
  if (wm) {
    const auto list = X().ClientList();
    EXPECT_EQ(std::count(list.begin(), list.end(), S().frame), 0) << "still on the taskbar";
  }
  // Hidden into the tray, it says it has no taskbar entry (a manager may erase the state when
  // it lets the window go; the frame writes it again).
  EXPECT_TRUE(WaitUntil(
      [&] {
        const auto hidden = X().AtomNames(S().frame, "_NET_WM_STATE");
        return std::count(hidden.begin(), hidden.end(), "_NET_WM_STATE_SKIP_TASKBAR") == 1;
      },
      3000))
      << "no skip-taskbar state while in the tray";
  EXPECT_TRUE(ProcessAlive(S().framePid));
  EXPECT_EQ(CopiesOf(S().framePid).size(), 1u);

  // A second start ends at once and brings the first instance's frame back.
  const pid_t second = Spawn({(S().program / "tandem_chats").string()}, S().root / "second.out");
  EXPECT_EQ(WaitExit(second, 15000), 0);
  EXPECT_TRUE(WaitUntil([&] { return X().Viewable(S().frame); }, 5000))
      << "the frame stayed hidden";
  const auto state = X().AtomNames(S().frame, "_NET_WM_STATE");
  EXPECT_EQ(std::find(state.begin(), state.end(), "_NET_WM_STATE_SKIP_TASKBAR"), state.end())
      << "no taskbar entry";
  if (wm) {
    EXPECT_TRUE(WaitUntil(
        [&] {
          const auto list = X().ClientList();
          return std::count(list.begin(), list.end(), S().frame) == 1;
        },
        3000))
        << "not in _NET_CLIENT_LIST";
  }
  EXPECT_EQ(CopiesOf(S().framePid).size(), 1u);
  ExpectShown(0);
}

TEST_F(MainFrameE2E, AMenuClosesOnAClickOutsideIt) {
  ASSERT_NO_FATAL_FAILURE(Reset(1));
  const xcb_window_t menu = OpenTrayMenu();
  ASSERT_NE(menu, 0u) << "no menu opened";
  // A click on the frame's caption, away from the menu.
  const RECT where = X().Geometry(menu);
  const RECT frame = FrameRect();
  const int x = where.left - frame.left > 400 ? 200 : 900;
  Click(x, 25);
  EXPECT_TRUE(WaitUntil([&] { return !X().Viewable(menu); }, 3000)) << "the menu stayed open";
  EXPECT_TRUE(X().Viewable(S().frame));
  EXPECT_EQ(CopiesOf(S().framePid).size(), 1u);
}

TEST_F(MainFrameE2E, TheTrayMenuExitAsksAndQuitsLeavingNoProcess) {
  ASSERT_NO_FATAL_FAILURE(Reset(1));
  const std::vector<uint32_t> copies = CopiesOf(S().framePid);
  const xcb_window_t menu = OpenTrayMenu();
  ASSERT_NE(menu, 0u) << "no menu opened";
  // Its one item is "退出": a click in the middle of the menu.
  const RECT item = X().Geometry(menu);
  const size_t asked = Count("message box \"确认\": 请确认是否退出？");
  Answer("ok");
  const std::string click = "xdotool mousemove --sync " +
                            std::to_string((item.left + item.right) / 2) + " " +
                            std::to_string((item.top + item.bottom) / 2) + " click 1";
  ASSERT_EQ(std::system(click.c_str()), 0) << click;
  EXPECT_TRUE(WaitBox("确认", "请确认是否退出？", asked)) << "the exit did not ask";
  EXPECT_EQ(WaitExit(S().framePid, 10000), 0);
  for (uint32_t pid : copies)
    EXPECT_TRUE(WaitUntil([&] { return !ProcessAlive(static_cast<pid_t>(pid)); }, 5000)) << pid;
  EXPECT_TRUE(WaitUntil([&] { return StandinsOfRun().empty(); }, 5000));
  S().framePid = -1;
}

TEST_F(MainFrameE2E, AfterAKillTheNextStartFindsTheStrayAndAsks) {
  S().known = false;  // whatever this test leaves, the next one starts afresh
  // Whatever the tests before left running ends first: one instance at a time.
  if (S().framePid > 0 && ProcessAlive(S().framePid)) {
    ::kill(S().framePid, SIGTERM);
    ASSERT_EQ(WaitExit(S().framePid, 10000), 0) << "the workbench did not end on SIGTERM";
    ASSERT_TRUE(WaitUntil([&] { return StandinsOfRun().empty(); }, 5000));
  }
  StartNewLog();
  S().added = 0;
  S().rows.clear();
  S().framePid = Spawn({(S().program / "tandem_chats").string()}, S().root / "frame2.out");
  ASSERT_TRUE(WaitUntil(
      [&] {
        return (S().frame = X().FindTopLevel(static_cast<uint32_t>(S().framePid), kTitle, true));
      },
      15000));
  NoteNewCopy();
  const uint32_t stray = S().rows[0];
  ASSERT_TRUE(WaitLog("WECHATLOGINUIGOT or", 1, 10000));
  ASSERT_EQ(::kill(S().framePid, SIGKILL), 0);
  WaitExit(S().framePid, 5000);
  ASSERT_TRUE(ProcessAlive(static_cast<pid_t>(stray))) << "the copy did not outlive the kill";

  StartNewLog();
  S().added = 0;
  S().rows.clear();
  Answer("ok");
  S().framePid = Spawn({(S().program / "tandem_chats").string()}, S().root / "frame3.out");
  EXPECT_TRUE(
      WaitBox("添加微信", "独立运行的PC版微信会影响软件的正常运行,是否加入并继续.", 0, 15000))
      << "the stray was not found";
  ASSERT_TRUE(WaitUntil(
      [&] {
        return (S().frame = X().FindTopLevel(static_cast<uint32_t>(S().framePid), kTitle, true));
      },
      15000));
  NoteNewCopy();
  EXPECT_EQ(S().rows[0], stray) << "the stray was not taken over";
  // A plain kill is a confirmed exit: the copy, taken over or not, ends with the workbench.
  ::kill(S().framePid, SIGTERM);
  EXPECT_EQ(WaitExit(S().framePid, 10000), 0);
  S().framePid = -1;
  EXPECT_TRUE(WaitUntil([&] { return StandinsOfRun().empty(); }, 5000));
}

}  // namespace
