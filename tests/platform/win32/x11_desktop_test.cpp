// The window, input, clipboard and process functions against real stand-in clients on a
// real X server: registered by tc_add_x11_test, run on a bare Xvfb and under openbox.
// Without DISPLAY every test skips.
#include "tests/support/StubOwnWindowBackend.h"
#include "platform/hook/MouseHook.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/DesktopBackend.h"
#include "platform/win32/Input.h"
#include "platform/win32/Process.h"
#include "platform/win32/Sync.h"
#include "platform/win32/Window.h"
#include "tests/support/TempDir.h"
#include "tests/support/Wait.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QCryptographicHash>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>
#include <json/json.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using testing_support::WaitUntil;

constexpr int kAreaWidth = 800;
constexpr int kAreaHeight = 600;

std::unique_ptr<QApplication> s_app;

class CXEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) return;
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    static int argc = 1;
    static char name[] = "x11_desktop_test";
    static char* argv[] = {name, nullptr};
    s_app = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override {
    hook::ShutdownMouseHook();
    s_app.reset();
  }
};
const auto* s_environment = ::testing::AddGlobalTestEnvironment(new CXEnvironment);

// Qt's events run while a test waits: the test's own windows are Qt windows.
void RunQtEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

HWND HandleOf(QWidget* widget) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(widget->winId()));
}

// Our own windows: a top-level frame holding a native child, the area copies are shown in.
class CWorkbenchWindows : public testing_support::CStubOwnWindowBackend {
 public:
  CWorkbenchWindows() {
    frame.resize(kAreaWidth + 100, kAreaHeight + 100);
    frame.setWindowTitle(QStringLiteral("workbench"));
    area = new QWidget(&frame);
    area->setGeometry(50, 50, kAreaWidth, kAreaHeight);
    area->setAttribute(Qt::WA_NativeWindow);
    frame.show();
    area->winId();
    hFrame = HandleOf(&frame);
    hArea = HandleOf(area);
  }

  QWidget frame;
  QWidget* area = nullptr;
  HWND hFrame = nullptr;
  HWND hArea = nullptr;
  std::mutex mutex;
  std::vector<std::pair<UINT, WPARAM>> posted;

  bool IsOwn(HWND hwnd) override { return hwnd == hFrame || hwnd == hArea; }
  BOOL Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) override {
    std::lock_guard<std::mutex> lock(mutex);
    if (hwnd == hFrame) posted.emplace_back(msg, wParam);
    return TRUE;
  }
  BOOL GetWindowRect(HWND hwnd, RECT* rect) override {
    QWidget* widget = hwnd == hFrame ? &frame : area;
    const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
    *rect =
        RECT{origin.x(), origin.y(), origin.x() + widget->width(), origin.y() + widget->height()};
    return TRUE;
  }
  BOOL GetClientRect(HWND hwnd, RECT* rect) override {
    QWidget* widget = hwnd == hFrame ? &frame : area;
    *rect = RECT{0, 0, widget->width(), widget->height()};
    return TRUE;
  }
  HWND Parent(HWND hwnd) override { return hwnd == hArea ? hFrame : nullptr; }
  BOOL Activate(HWND) override {
    frame.activateWindow();
    return TRUE;
  }
  BOOL Destroy(HWND) override { return FALSE; }
  unsigned long NativeId(HWND hwnd) override {
    return IsOwn(hwnd) ? static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(hwnd)) : 0;
  }
  HWND FromNativeId(unsigned long xid) override {
    HWND hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(xid));
    return IsOwn(hwnd) ? hwnd : nullptr;
  }
  HWND Foreground() override { return hFrame; }
  HWND Focus() override { return hFrame; }
};

struct TSearch {
  DWORD dwPid;
  const char* pszClass;
  HWND hFound;
};

BOOL FindWindowOfProcess(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<TSearch*>(lParam);
  char name[260] = {};
  GetClassNameA(hwnd, name, sizeof name);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (!win32::IsProcessOrDescendant(pid, search->dwPid) || !IsWindow(hwnd) ||
      GetWindow(hwnd, GW_OWNER) || !IsWindowVisible(hwnd))
    return TRUE;
  if (std::string(name) != search->pszClass) return TRUE;
  search->hFound = hwnd;
  return FALSE;
}

HWND FindWindowOf(DWORD pid, const char* className) {
  TSearch search{pid, className, nullptr};
  EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.hFound;
}

std::string HashOf(const QImage& image) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  QCryptographicHash hash(QCryptographicHash::Sha256);
  for (int y = 0; y < argb.height(); ++y)
    hash.addData(
        QByteArrayView(reinterpret_cast<const char*>(argb.constScanLine(y)), argb.width() * 4));
  return hash.result().toHex().toStdString();
}

std::vector<Json::Value> ReadTranscript(const std::string& path) {
  std::vector<Json::Value> lines;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) {
    Json::Value value;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    if (reader->parse(line.data(), line.data() + line.size(), &value, &errors))
      lines.push_back(value);
  }
  return lines;
}

void Press(BYTE vk) {
  keybd_event(vk, 0, 0, 0);
}
void Release(BYTE vk) {
  keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
}

void PasteText(const std::u16string& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_DDESHARE, (text.size() + 1) * 2);
  std::memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * 2);
  GlobalUnlock(block);
  ASSERT_NE(SetClipboardData(CF_UNICODETEXT, block), nullptr);
  CloseClipboard();
  Press(VK_CONTROL), Press('V'), Sleep(50), Release('V'), Release(VK_CONTROL);
}

void PastePicture(const std::string& path) {
  HBITMAP bitmap = win32::LoadBitmapFromFile(path);
  ASSERT_NE(bitmap, nullptr);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  ASSERT_NE(SetClipboardData(CF_BITMAP, bitmap), nullptr);
  CloseClipboard();
  Press(VK_CONTROL), Press('V'), Sleep(50), Release('V'), Release(VK_CONTROL);
}

class X11DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!s_app) GTEST_SKIP() << "no X display";
    ASSERT_NE(win32::X11Desktop(), nullptr);
    windows = std::make_unique<CWorkbenchWindows>();
    win32::SetOwnWindowBackend(windows.get());
    ASSERT_TRUE(WaitUntil([&] { return windows->frame.isVisible(); }, 2000, RunQtEvents));
    setenv("TC_HKCU_FILE", dir.file("hkcu.ini").c_str(), 1);
    setenv("TC_STANDIN_DATA_ROOT", dir.file("data").c_str(), 1);
  }

  void TearDown() override {
    for (PROCESS_INFORMATION& info : started) {
      TerminateProcess(info.hProcess, 0);
      CloseHandle(info.hProcess);
      CloseHandle(info.hThread);
    }
    win32::SetOwnWindowBackend(nullptr);
    windows.reset();
  }

  // Starts a stand-in that logs in after loginDelayMs (-1: never by itself).
  PROCESS_INFORMATION StartStandin(const std::string& account, int loginDelayMs) {
    const std::string program = TC_STANDIN_PATH;
    setenv("TC_STANDIN_ACCOUNT", account.c_str(), 1);
    setenv("TC_STANDIN_NICKNAME", ("nick " + account).c_str(), 1);
    setenv("TC_STANDIN_LOGIN_DELAY", std::to_string(loginDelayMs).c_str(), 1);
    setenv("TC_STANDIN_TRANSCRIPT", TranscriptOf(account).c_str(), 1);
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    EXPECT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info));
    started.push_back(info);
    return info;
  }

  std::string TranscriptOf(const std::string& account) { return dir.file(account + ".jsonl"); }

  HWND WaitForWindow(DWORD pid, const char* className, int milliseconds = 10000) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowOf(pid, className)) != nullptr; }, milliseconds,
              RunQtEvents);
    return found;
  }

  // Embeds a copy's window into the area, as the manager shows the current copy.
  void Embed(HWND window, bool maximise) {
    ASSERT_NE(SetParent(window, windows->hArea), nullptr);
    if (maximise) ShowWindow(window, SW_SHOWMAXIMIZED);
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(window, &rect));
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    MoveWindow(window, (kAreaWidth - width) / 2, (kAreaHeight - height) / 2, width, height, TRUE);
  }

  // Activates the copy and clears its message box as the input sequence does.
  void ActivateAndClear(HWND main) {
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(main, &rect));
    const LPARAM point = MAKELPARAM(rect.right - rect.left - 120, rect.bottom - rect.top - 56);
    SwitchToThisWindow(main, TRUE);
    SendMessageA(main, WM_LBUTTONDOWN, 0, point);
    SendMessageA(main, WM_LBUTTONUP, 0, point);
    Press(VK_CONTROL), Press('A'), Sleep(20), Release('A'), Release(VK_CONTROL);
    Press(VK_DELETE), Sleep(20), Release(VK_DELETE);
  }

  void SendShortcut() { Press(VK_MENU), Press('S'), Release('S'), Release(VK_MENU); }

  std::string MakePicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(240, 240, 250));
    QPainter painter(&image);
    painter.fillRect(5, 5, width / 2, height / 2, QColor(200, 30, 60));
    painter.end();
    const std::string path = dir.file("picture.png");
    image.save(QString::fromStdString(path), "PNG");
    return path;
  }

  testing_support::TempDir dir;
  std::unique_ptr<CWorkbenchWindows> windows;
  std::vector<PROCESS_INFORMATION> started;
};

TEST_F(X11DesktopTest, LoginWindowIsFoundWithItsClassProcessAndSize) {
  PROCESS_INFORMATION info = StartStandin("wxid_find", -1);
  HWND login = WaitForWindow(info.dwProcessId, "WeChatLoginWndForPC");
  ASSERT_NE(login, nullptr);
  EXPECT_TRUE(IsWindow(login));
  EXPECT_TRUE(IsWindowVisible(login));
  EXPECT_EQ(GetWindow(login, GW_OWNER), nullptr);
  EXPECT_EQ(GetParent(login), nullptr);
  DWORD pid = 0;
  GetWindowThreadProcessId(login, &pid);
  EXPECT_EQ(pid, info.dwProcessId);
  RECT rect{};
  ASSERT_TRUE(GetWindowRect(login, &rect));
  EXPECT_EQ(rect.right - rect.left, 300);
  EXPECT_EQ(rect.bottom - rect.top, 400);
  EXPECT_EQ(FindWindowOf(info.dwProcessId, "WeChatMainWndForPC"), nullptr);
}

TEST_F(X11DesktopTest, LoginWindowIsEmbeddedAndCentred) {
  PROCESS_INFORMATION info = StartStandin("wxid_embed", -1);
  HWND login = WaitForWindow(info.dwProcessId, "WeChatLoginWndForPC");
  ASSERT_NE(login, nullptr);
  Embed(login, false);
  EXPECT_EQ(GetParent(login), windows->hArea);
  RECT area{};
  windows->GetWindowRect(windows->hArea, &area);
  RECT rect{};
  ASSERT_TRUE(WaitUntil([&] { return GetWindowRect(login, &rect) && rect.left - area.left == 250; },
                        2000, RunQtEvents));
  EXPECT_EQ(rect.top - area.top, 100);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(login) != FALSE; }, 2000, RunQtEvents));
  // No longer top-level: the search does not find it again.
  EXPECT_EQ(FindWindowOf(info.dwProcessId, "WeChatLoginWndForPC"), nullptr);
  // Hidden and shown again inside the area.
  ShowWindow(login, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(login));
  ShowWindow(login, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(login));
  // Given back to the desktop.
  EXPECT_EQ(SetParent(login, nullptr), windows->hArea);
  EXPECT_EQ(GetParent(login), nullptr);
  EXPECT_NE(WaitForWindow(info.dwProcessId, "WeChatLoginWndForPC", 3000), nullptr);
}

TEST_F(X11DesktopTest, NewWindowEndsThePollWaitEarly) {
  HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  win32::DesktopBackend* desktop = win32::GetDesktopBackend();
  ASSERT_TRUE(desktop->ListenForChanges(5000));  // every change from here on is counted
  PROCESS_INFORMATION info = StartStandin("wxid_wait", -1);
  HWND login = nullptr;
  const auto start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration latency{};
  for (int round = 0; round < 40 && !login; ++round) {
    login = FindWindowOf(info.dwProcessId, "WeChatLoginWndForPC");
    if (!login) win32::WaitForStopOrDesktopChange(stop, 500);
    latency = std::chrono::steady_clock::now() - start;
  }
  ASSERT_NE(login, nullptr);
  std::printf("login window found %lld ms after the start\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(latency).count()));
  CloseHandle(stop);
}

TEST_F(X11DesktopTest, MainWindowIsMaximisedInTheAreaAndShownOrHidden) {
  PROCESS_INFORMATION info = StartStandin("wxid_main", 200);
  HWND main = WaitForWindow(info.dwProcessId, "WeChatMainWndForPC");
  ASSERT_NE(main, nullptr);
  Embed(main, true);
  RECT rect{};
  ASSERT_TRUE(
      WaitUntil([&] { return GetWindowRect(main, &rect) && rect.right - rect.left == kAreaWidth; },
                2000, RunQtEvents));
  EXPECT_EQ(rect.bottom - rect.top, kAreaHeight);
  RECT area{};
  windows->GetWindowRect(windows->hArea, &area);
  EXPECT_EQ(rect.left, area.left);
  EXPECT_EQ(rect.top, area.top);
  ShowWindow(main, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_TRUE(IsWindow(main));
  ShowWindow(main, SW_SHOWMAXIMIZED);
  EXPECT_TRUE(IsWindowVisible(main));
}

TEST_F(X11DesktopTest, TopLevelWindowIsMaximisedOnTheScreen) {
  PROCESS_INFORMATION info = StartStandin("wxid_top", 100);
  HWND main = WaitForWindow(info.dwProcessId, "WeChatMainWndForPC");
  ASSERT_NE(main, nullptr);
  RECT before{};
  ASSERT_TRUE(GetWindowRect(main, &before));
  ShowWindow(main, SW_SHOWMAXIMIZED);
  RECT rect{};
  // By the window manager (less its decorations) or, on a bare server, to the root's size.
  EXPECT_TRUE(WaitUntil([&] { return GetWindowRect(main, &rect) && rect.right - rect.left > 1000; },
                        3000, RunQtEvents))
      << "width " << rect.right - rect.left << " (was " << before.right - before.left << ")";
  EXPECT_GT(rect.bottom - rect.top, 800);
  EXPECT_TRUE(IsWindowVisible(main));
}

TEST_F(X11DesktopTest, ReplyArrivesExactlyTwentyTimesInARow) {
  PROCESS_INFORMATION info = StartStandin("wxid_reply", 100);
  HWND main = WaitForWindow(info.dwProcessId, "WeChatMainWndForPC");
  ASSERT_NE(main, nullptr);
  Embed(main, true);
  const std::string picture = MakePicture(64, 40);
  const std::string expectedHash = HashOf(QImage(QString::fromStdString(picture)));
  const std::u16string first = u"您好，这是第一段";
  const std::u16string second = u"😀👍 第二段";
  const std::u16string typed = u"打字😀!";
  const std::string expectedText = QString::fromStdU16String(first + second + typed).toStdString();
  constexpr int kRounds = 20;
  for (int round = 0; round < kRounds; ++round) {
    ActivateAndClear(main);
    PasteText(first);
    PasteText(second);
    for (char16_t unit : typed) SendMessageW(main, WM_CHAR, unit, 0);
    PastePicture(picture);
    SendShortcut();
    ASSERT_TRUE(WaitUntil(
        [&] { return ReadTranscript(TranscriptOf("wxid_reply")).size() == std::size_t(round + 1); },
        5000, RunQtEvents))
        << "round " << round;
  }
  const std::vector<Json::Value> lines = ReadTranscript(TranscriptOf("wxid_reply"));
  ASSERT_EQ(lines.size(), std::size_t(kRounds));
  int exact = 0;
  for (const Json::Value& line : lines) {
    const Json::Value& items = line["items"];
    const bool ok = items.size() == 2 && items[0]["type"].asString() == "text" &&
                    items[0]["text"].asString() == expectedText &&
                    items[1]["type"].asString() == "image" && items[1]["width"].asInt() == 64 &&
                    items[1]["height"].asInt() == 40 &&
                    items[1]["sha256"].asString() == expectedHash;
    if (ok)
      ++exact;
    else
      ADD_FAILURE() << "not exact: " << line.toStyledString();
  }
  EXPECT_EQ(exact, kRounds);
}

TEST_F(X11DesktopTest, ClickIntoAnEmbeddedCopyPostsItsWindowToTheFrame) {
  PROCESS_INFORMATION info = StartStandin("wxid_hook", 100);
  HWND main = WaitForWindow(info.dwProcessId, "WeChatMainWndForPC");
  ASSERT_NE(main, nullptr);
  Embed(main, true);
  DWORD thread = GetWindowThreadProcessId(main, nullptr);
  ASSERT_EQ(fnhookmouse("{key-hook}", thread), 0);
  ASSERT_TRUE(hook::WaitUntilMouseHookListens(5000));
  SendMessageA(main, WM_LBUTTONDOWN, 0, MAKELPARAM(200, 200));
  SendMessageA(main, WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
  auto postedMain = [&] {
    std::lock_guard<std::mutex> lock(windows->mutex);
    for (const auto& [msg, wParam] : windows->posted) {
      if (msg == 0x406 && reinterpret_cast<HWND>(wParam) == main) return true;
    }
    return false;
  };
  EXPECT_TRUE(WaitUntil(postedMain, 3000, RunQtEvents));
  EXPECT_EQ(fnunhookmouse("{key-hook}"), 0);
  EXPECT_EQ(fnunhookmouse("{key-hook}"), -1);
  {
    std::lock_guard<std::mutex> lock(windows->mutex);
    windows->posted.clear();
  }
  SendMessageA(main, WM_LBUTTONDOWN, 0, MAKELPARAM(210, 200));
  SendMessageA(main, WM_LBUTTONUP, 0, MAKELPARAM(210, 200));
  WaitUntil([] { return false; }, 300, RunQtEvents);
  EXPECT_FALSE(postedMain());  // unhooked: nothing more
}

TEST_F(X11DesktopTest, FocusIntoAnEmbeddedCopyPostsItsWindowToTheFrame) {
  PROCESS_INFORMATION info = StartStandin("wxid_focus", 100);
  HWND main = WaitForWindow(info.dwProcessId, "WeChatMainWndForPC");
  ASSERT_NE(main, nullptr);
  Embed(main, true);
  SetForegroundWindow(windows->hFrame);  // the focus starts outside the copy
  ASSERT_EQ(fnhookmouse("{key-focus}", GetWindowThreadProcessId(main, nullptr)), 0);
  WaitUntil([] { return false; }, 400, RunQtEvents);
  {
    std::lock_guard<std::mutex> lock(windows->mutex);
    windows->posted.clear();
  }
  SetForegroundWindow(main);
  auto postedMain = [&] {
    std::lock_guard<std::mutex> lock(windows->mutex);
    for (const auto& [msg, wParam] : windows->posted) {
      if (msg == 0x406 && reinterpret_cast<HWND>(wParam) == main) return true;
    }
    return false;
  };
  EXPECT_TRUE(WaitUntil(postedMain, 3000, RunQtEvents));
  fnunhookmouse("{key-focus}");
}

TEST_F(X11DesktopTest, LogOutDestroysTheMainWindowAndAnExitLeavesNoProcess) {
  PROCESS_INFORMATION info = StartStandin("wxid_logout", 100);
  HWND main = WaitForWindow(info.dwProcessId, "WeChatMainWndForPC");
  ASSERT_NE(main, nullptr);
  Embed(main, true);
  kill(static_cast<pid_t>(info.dwProcessId), SIGUSR1);  // the stand-in logs out
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(main); }, 3000, RunQtEvents));
  EXPECT_NE(WaitForWindow(info.dwProcessId, "WeChatLoginWndForPC", 5000), nullptr);
  EXPECT_TRUE(TerminateProcess(info.hProcess, 0));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_OBJECT_0);
  HANDLE opened = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, info.dwProcessId);
  EXPECT_EQ(opened, nullptr);  // gone and reaped
}

TEST_F(X11DesktopTest, ThreeCopiesAreToldApartByProcess) {
  std::vector<PROCESS_INFORMATION> copies;
  for (int i = 0; i < 3; ++i) copies.push_back(StartStandin("wxid_three_" + std::to_string(i), -1));
  std::vector<HWND> logins;
  for (const PROCESS_INFORMATION& info : copies)
    logins.push_back(WaitForWindow(info.dwProcessId, "WeChatLoginWndForPC"));
  for (HWND login : logins) ASSERT_NE(login, nullptr);
  EXPECT_NE(logins[0], logins[1]);
  EXPECT_NE(logins[1], logins[2]);
  // The current one is embedded, the others hidden.
  Embed(logins[1], false);
  ShowWindow(logins[0], SW_HIDE);
  ShowWindow(logins[2], SW_HIDE);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(logins[0]) && !IsWindowVisible(logins[2]); },
                        2000, RunQtEvents));
  EXPECT_EQ(FindWindowOf(copies[0].dwProcessId, "WeChatLoginWndForPC"), nullptr);
  EXPECT_TRUE(IsWindowVisible(logins[1]));
}

// A paste whose item the target has not fetched stays pending when a short wait (the fixed
// pause of the paste key) runs out, so that the next item still waits for it. Nothing
// fetches here until this process reads its own clipboard, as a client's request would.
TEST_F(X11DesktopTest, APasteNotYetFetchedStaysPendingPastAShortWait) {
  win32::DesktopBackend* desktop = win32::X11Desktop();
  ASSERT_TRUE(desktop->SetClipboardText(u"pasted"));
  keybd_event(VK_CONTROL, 0, 0, 0);
  keybd_event('V', 0, 0, 0);
  keybd_event('V', 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  EXPECT_FALSE(desktop->WaitClipboardFetched(20));
  EXPECT_FALSE(desktop->WaitClipboardFetched(20));
  ASSERT_NE(QGuiApplication::clipboard()->mimeData(), nullptr);
  EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->text(), QStringLiteral("pasted"));
  EXPECT_TRUE(desktop->WaitClipboardFetched(20));
}

}  // namespace
