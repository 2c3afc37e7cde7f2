// One enumeration of the desktop with 50 top-level windows: EnumWindows plus the
// per-window questions of a copy's window search (class, process, alive, owner, visible),
// on the X server named by DISPLAY (run it through scripts/xvfb-run-wm.sh, bare and with
// openbox). Prints figures; asserts nothing.
#include "platform/win32/DesktopBackend.h"
#include "platform/win32/Window.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <xcb/xcb.h>

namespace {

constexpr int kWindows = 50;

// Fifty client windows of another connection, each with a class and a process id.
class CFiftyWindows {
 public:
  CFiftyWindows() {
    m_pConnection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_pConnection)) return;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_pConnection)).data;
    const xcb_atom_t pidAtom = intern("_NET_WM_PID");
    for (int i = 0; i < kWindows; ++i) {
      const xcb_window_t window = xcb_generate_id(m_pConnection);
      xcb_create_window(m_pConnection, XCB_COPY_FROM_PARENT, window, screen->root, 10 * i, 10 * i,
                        200, 150, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0,
                        nullptr);
      const std::string cls =
          std::string("bench") + '\0' + "BenchWindow" + std::to_string(i) + '\0';
      xcb_change_property(m_pConnection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS,
                          XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(cls.size()), cls.data());
      const std::uint32_t pid = 100000 + i;
      xcb_change_property(m_pConnection, XCB_PROP_MODE_REPLACE, window, pidAtom, XCB_ATOM_CARDINAL,
                          32, 1, &pid);
      xcb_map_window(m_pConnection, window);
    }
    xcb_flush(m_pConnection);
  }
  ~CFiftyWindows() { xcb_disconnect(m_pConnection); }

  // Maps or unmaps a small unmanaged window, so that the desktop's next reading is a
  // fresh one.
  void TouchRoot() {
    if (!m_nMarker) {
      xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_pConnection)).data;
      m_nMarker = xcb_generate_id(m_pConnection);
      const std::uint32_t overrideRedirect = 1;
      // Input-only: mapping it draws nothing, so the server has no painting to do.
      xcb_create_window(m_pConnection, 0, m_nMarker, screen->root, 0, 0, 1, 1, 0,
                        XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT,
                        &overrideRedirect);
    }
    if (++m_nTouches % 2)
      xcb_map_window(m_pConnection, m_nMarker);
    else
      xcb_unmap_window(m_pConnection, m_nMarker);
    xcb_flush(m_pConnection);
  }

 private:
  xcb_atom_t intern(const char* name) {
    auto cookie =
        xcb_intern_atom(m_pConnection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(m_pConnection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
  }
  xcb_connection_t* m_pConnection = nullptr;
  std::uint32_t m_nTouches = 0;
  xcb_window_t m_nMarker = 0;
};

CFiftyWindows* s_windows = nullptr;

// Makes the next enumeration read the server again (outside the timed part).
void invalidate(benchmark::State& state) {
  state.PauseTiming();
  win32::DesktopBackend* desktop = win32::GetDesktopBackend();
  const std::uint64_t seen = desktop->ChangeCount();
  s_windows->TouchRoot();
  desktop->WaitForChange(seen, 1000);
  state.ResumeTiming();
}

struct TSearch {
  DWORD dwPid;
  HWND hFound;
  int nSeen;
};

BOOL searchWindow(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<TSearch*>(lParam);
  ++search->nSeen;
  char name[260];
  GetClassNameA(hwnd, name, sizeof name);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search->dwPid || !IsWindow(hwnd) || GetWindow(hwnd, GW_OWNER) ||
      !IsWindowVisible(hwnd))
    return TRUE;
  if (std::strcmp(name, "WeChatMainWndForPC") != 0) return TRUE;
  search->hFound = hwnd;
  return FALSE;
}

int countWindows() {
  TSearch search{0, nullptr, 0};
  EnumWindows(searchWindow, reinterpret_cast<LPARAM>(&search));
  return search.nSeen;
}

// A fresh reading of the desktop and the search over it (what one poll costs).
void BM_WindowSearch(benchmark::State& state) {
  int seen = 0;
  for (auto _ : state) {
    invalidate(state);
    TSearch search{4242, nullptr, 0};  // no such process: every window is looked at
    EnumWindows(searchWindow, reinterpret_cast<LPARAM>(&search));
    seen = search.nSeen;
  }
  state.counters["windows"] = seen;
}
BENCHMARK(BM_WindowSearch)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_TopLevelWindowsOnly(benchmark::State& state) {
  win32::DesktopBackend* desktop = win32::GetDesktopBackend();
  for (auto _ : state) {
    invalidate(state);
    benchmark::DoNotOptimize(desktop->TopLevelWindows());
  }
}
BENCHMARK(BM_TopLevelWindowsOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The same search when another copy's thread read the unchanged desktop just before.
void BM_WindowSearchShared(benchmark::State& state) {
  for (auto _ : state) {
    TSearch search{4242, nullptr, 0};
    EnumWindows(searchWindow, reinterpret_cast<LPARAM>(&search));
  }
}
BENCHMARK(BM_WindowSearchShared)->Unit(benchmark::kMillisecond)->MinTime(0.5);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("DISPLAY") || !win32::X11Desktop()) {
    std::fprintf(stderr, "x11_enumerate_bench: needs an X display (scripts/xvfb-run-wm.sh)\n");
    return 1;
  }
  CFiftyWindows windows;
  s_windows = &windows;
  // Wait until the fifty are visible (a window manager maps them in its own time).
  for (int i = 0; i < 1000 && countWindows() < kWindows; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::printf("top-level windows on the desktop: %d\n", countWindows());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
