// The process's one X error handler and the trap that turns an X error into a Win32 last
// error, against a real X server (tc_add_x11_test); without DISPLAY every test
// skips. A window id that no client made stands for a window that vanished.
#include "platform/win32/X11ErrorTrap.h"

#include "platform/hook/MouseHook.h"
#include "platform/win32/KernelObject.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include <unistd.h>

#include <X11/Xlib.h>

namespace {

using win32::x11::CX11ErrorTrap;

// The server gives each client ids in its own range; this one is in nobody's.
constexpr ::Window kNoSuchWindow = 0x1FFFFFFF;

const bool kThreadsReady = (XInitThreads(), true);

struct TDisplayCloser {
  void operator()(::Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<::Display, TDisplayCloser>;

class X11ErrorTrapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X server";
    m_display.reset(XOpenDisplay(nullptr));
    ASSERT_TRUE(m_display);
    win32::x11::InstallErrorHandler();
  }

  ::Window MakeWindow(::Display* display) {
    return XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
  }

  DisplayPtr m_display;
};

TEST_F(X11ErrorTrapTest, AnErrorInsideTheTrapBecomesTheLastError) {
  ::Display* display = m_display.get();
  SetLastError(ERROR_SUCCESS);
  CX11ErrorTrap trap(display);
  XMapWindow(display, kNoSuchWindow);
  EXPECT_FALSE(trap.Succeeded());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(X11ErrorTrapTest, RequestsThatSucceedLeaveTheLastErrorAlone) {
  ::Display* display = m_display.get();
  SetLastError(4242);
  CX11ErrorTrap trap(display);
  const ::Window window = MakeWindow(display);
  XMapWindow(display, window);
  EXPECT_TRUE(trap.Succeeded());
  EXPECT_EQ(GetLastError(), 4242u);
  XDestroyWindow(display, window);
}

TEST_F(X11ErrorTrapTest, CheckStartsAfreshAfterEachCall) {
  ::Display* display = m_display.get();
  CX11ErrorTrap trap(display);
  XMapWindow(display, kNoSuchWindow);
  EXPECT_EQ(trap.Check(), BadWindow);
  EXPECT_EQ(trap.Check(), 0);                         // the same error is not reported twice
  XChangeKeyboardMapping(display, 0, 1, nullptr, 0);  // keycode 0 is out of range
  EXPECT_EQ(trap.Check(), BadValue);
}

TEST_F(X11ErrorTrapTest, UntrappedErrorsAreDroppedAndTheProcessGoesOn) {
  ::Display* display = m_display.get();
  XMapWindow(display, kNoSuchWindow);
  XSync(display, False);  // Xlib's default handler would end the process here
  CX11ErrorTrap trap(display);
  EXPECT_TRUE(trap.Succeeded());
}

TEST_F(X11ErrorTrapTest, AnErrorOfARequestMadeBeforeTheTrapIsNotCaught) {
  ::Display* display = m_display.get();
  XMapWindow(display, kNoSuchWindow);  // not yet read: it arrives during the trap's sync
  CX11ErrorTrap trap(display);
  EXPECT_EQ(trap.Check(), 0);
}

TEST_F(X11ErrorTrapTest, TheInnermostTrapThatCoversARequestGetsItsError) {
  ::Display* display = m_display.get();
  CX11ErrorTrap outer(display);
  XMapWindow(display, kNoSuchWindow);
  {
    CX11ErrorTrap inner(display);
    const ::Window window = MakeWindow(display);
    EXPECT_EQ(inner.Check(), 0);  // the outer trap's error is read here but is not inner's
    XUnmapWindow(display, kNoSuchWindow);
    EXPECT_EQ(inner.Check(), BadWindow);
    XDestroyWindow(display, window);
  }
  EXPECT_EQ(outer.Check(), BadWindow);
}

TEST_F(X11ErrorTrapTest, ATrapSeesOnlyTheErrorsOfItsOwnDisplay) {
  DisplayPtr other(XOpenDisplay(nullptr));
  ASSERT_TRUE(other);
  CX11ErrorTrap trap(m_display.get());
  XMapWindow(other.get(), kNoSuchWindow);
  XSync(other.get(), False);
  EXPECT_EQ(trap.Check(), 0);
}

TEST_F(X11ErrorTrapTest, TrapsOnManyThreadsAtOnceEachGetTheirOwnErrors) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 100;
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t, &wrong] {
      DisplayPtr display(XOpenDisplay(nullptr));
      if (!display) {
        wrong[t] = kRounds;
        return;
      }
      const ::Window window = MakeWindow(display.get());
      for (int round = 0; round < kRounds; ++round) {
        const bool fail = (round + t) % 2 == 0;
        CX11ErrorTrap trap(display.get());
        XMapWindow(display.get(), fail ? kNoSuchWindow : window);
        if (trap.Check() != (fail ? BadWindow : 0)) ++wrong[t];
      }
      XDestroyWindow(display.get(), window);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

// The mouse hook opens its own connection on a worker thread; it used to install a handler
// of its own there, which replaced the desktop's and left every trap blind.
TEST_F(X11ErrorTrapTest, StartingTheMouseHookKeepsTheOneHandler) {
  const XErrorHandler ours = XSetErrorHandler(nullptr);
  XSetErrorHandler(ours);
  ASSERT_EQ(fnhookmouse("{trap-test}", static_cast<DWORD>(getpid())), 0);
  // The watcher thread starts at once; watch the handler while it does (bounded).
  for (int i = 0; i < 100; ++i) {
    const XErrorHandler current = XSetErrorHandler(ours);
    ASSERT_EQ(current, ours) << "the handler was replaced";
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::Display* display = m_display.get();
  CX11ErrorTrap trap(display);
  XMapWindow(display, kNoSuchWindow);
  EXPECT_FALSE(trap.Succeeded());
  fnunhookmouse("{trap-test}");
  hook::ShutdownMouseHook();
}

TEST(X11ErrorMapping, EveryCodeHasTheWin32ErrorThatStandsForIt) {
  using win32::x11::LastErrorOfXError;
  EXPECT_EQ(LastErrorOfXError(BadWindow), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(LastErrorOfXError(BadDrawable), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(LastErrorOfXError(BadMatch), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(LastErrorOfXError(BadValue), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(LastErrorOfXError(BadAtom), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(LastErrorOfXError(BadAccess), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(LastErrorOfXError(BadAlloc), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(LastErrorOfXError(BadPixmap), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(LastErrorOfXError(BadCursor), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(LastErrorOfXError(BadGC), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(LastErrorOfXError(BadIDChoice), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(LastErrorOfXError(BadImplementation), static_cast<DWORD>(ERROR_GEN_FAILURE));
  EXPECT_EQ(LastErrorOfXError(0), static_cast<DWORD>(ERROR_GEN_FAILURE));
}

}  // namespace
