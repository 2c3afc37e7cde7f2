// Figures of the chat-client manager on a real X server with stand-in clients:
//  1. the workbench's CPU while 10 copies are polled (goal: under 1 % of a core);
//  2. a 5-item reply's wall time against the sum of its fixed waits (goal: at most 1.1x),
//     and whether each reply arrived exactly in the stand-in's transcript, with the load
//     average of the machine (the figures mean little on a busy machine).
// Run it on a private server, e.g.
//   scripts/xvfb-run-wm.sh --wm openbox -- build/bench/wechat/wechat_bench
// TC_BENCH_POLL_SECONDS (default 60) sets the length of the CPU measurement.
#include "mainframe/WebchatMan.h"
#include "platform/ui/window/WindowWnd.h"
#include "platform/ui/window/MessageLoop.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Registry.h"
#include "platform/win32/Window.h"
#include "tests/support/StandinEnvironment.h"
#include "tests/support/TestFiles.h"

#include <json/json.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <cstdlib>
#include <sstream>

#include <sys/resource.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class CFrameWindow : public DuiLib::CWindowWnd {
 public:
  int m_nMainWindows = 0;

 protected:
  LPCTSTR GetWindowClassName() const override { return "TandemChat"; }
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
    if (uMsg == WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT ||
        uMsg == WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT) {
      delete reinterpret_cast<std::string*>(wParam);
      m_nMainWindows += uMsg == WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT;
      return 0;
    }
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
  }
};

class CHostWindow : public DuiLib::CWindowWnd {
 protected:
  LPCTSTR GetWindowClassName() const override { return "webchat"; }
};

void OnWindowFound(void* context, const std::string& key, HWND login, HWND main) {
  if (!main && !login) return;
  auto* payload = new std::string(key);
  UINT msg = main ? WM_USER_MSG_MAINFRAME_WECHATMAINUIGOT : WM_USER_MSG_MAINFRAME_WECHATLOGINUIGOT;
  if (!PostMessageA(static_cast<HWND>(context), msg, reinterpret_cast<WPARAM>(payload),
                    reinterpret_cast<LPARAM>(main ? main : login)))
    delete payload;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void PumpFor(int ms) {
  auto until = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < until) {
    DuiLib::PumpMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void WritePicture(const fs::path& path) {
  // 32x32 24-bit bitmap, grey.
  std::string bytes(54 + 32 * 32 * 3, '\x80');
  const unsigned char header[54] = {'B', 'M', 0x36, 0x0C, 0,  0, 0, 0,    0,  0, 54, 0, 0, 0,
                                    40,  0,   0,    0,    32, 0, 0, 0,    32, 0, 0,  0, 1, 0,
                                    24,  0,   0,    0,    0,  0, 0, 0x0C, 0,  0, 0,  0, 0, 0,
                                    0,   0,   0,    0,    0,  0, 0, 0,    0,  0, 0,  0};
  std::copy(std::begin(header), std::end(header), bytes.begin());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> TranscriptLines(const fs::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The reply as the stand-in records it: the pasted and typed texts joined, the picture
// ("W H sha256"), the last text.
bool ArrivedExactly(const std::string& line, const std::string& pictureFigures) {
  Json::Value value;
  std::istringstream stream(line);
  Json::CharReaderBuilder builder;
  std::string errors;
  if (!Json::parseFromStream(builder, stream, &value, &errors)) return false;
  const Json::Value& items = value["items"];
  if (items.size() != 3) return false;
  std::ostringstream figures;
  figures << items[1]["width"].asInt() << " " << items[1]["height"].asInt() << " "
          << items[1]["sha256"].asString();
  return items[0]["text"].asString() == "你好😀👍好的" && figures.str() == pictureFigures &&
         items[2]["text"].asString() == "再见";
}

double LoadAverage() {
  double load[1] = {0};
  return getloadavg(load, 1) == 1 ? load[0] : -1;
}

}  // namespace

int main() {
  if (!std::getenv("DISPLAY")) {
    std::printf("wechat_bench: needs an X display (run it under scripts/xvfb-run-wm.sh)\n");
    return 0;
  }
  const int pollSeconds =
      std::getenv("TC_BENCH_POLL_SECONDS") ? std::atoi(std::getenv("TC_BENCH_POLL_SECONDS")) : 60;
  fs::path root = fs::temp_directory_path() / ("wechat_bench_" + std::to_string(::getpid()));
  fs::create_directories(root / "home" / ".config");
  const char* programDir = std::getenv("TC_PROGRAM_DIR");
  std::string standin = programDir ? std::string(programDir) + "/standin"
                                   : (fs::current_path() / "program/standin").string();
  ::setenv("HOME", (root / "home").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (root / "home" / ".config").c_str(), 1);
  testing_support::SetStandinEnvironment(root);
  testing_support::RegisterClientProgram(standin);

  DuiLib::InstallOwnWindowBackend();
  auto frame = std::make_unique<CFrameWindow>();
  frame->Create(nullptr, "TandemChat", UI_WNDSTYLE_FRAME, 0, 0, 0, 1000, 700);
  auto host = std::make_unique<CHostWindow>();
  host->Create(frame->GetHWND(), "WebChatMan", UI_WNDSTYLE_CHILD, 0, 0, 0, 50, 50);
  CWebchatMan::InitEnv(OnWindowFound, nullptr, frame->GetHWND());
  auto manager = std::make_unique<CWebchatMan>(frame->GetHWND(), host->GetHWND());
  manager->SetPos(RECT{100, 50, 900, 650});

  constexpr int kCopies = 10;
  std::vector<std::string> keys;
  for (int i = 0; i < kCopies; ++i) {
    keys.push_back("BENCH-" + std::to_string(i));
    ::setenv("TC_STANDIN_ACCOUNT", ("wxid_bench_" + std::to_string(i)).c_str(), 1);
    manager->RunWeChat(keys.back().c_str());
  }
  manager->SwitchWeChat(keys.back().c_str());
  auto deadline = Clock::now() + std::chrono::seconds(30);
  while (frame->m_nMainWindows < kCopies && Clock::now() < deadline) PumpFor(50);
  std::printf("copies with a main window: %d of %d\n", frame->m_nMainWindows, kCopies);

  PumpFor(500);
  double cpuBefore = CpuSeconds();
  auto wallBefore = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(pollSeconds));  // the GUI thread idles
  double cpu = CpuSeconds() - cpuBefore;
  double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
  std::printf("poll of %d copies: %.3f s CPU in %.1f s = %.2f %% of a core (goal < 1 %%)\n",
              kCopies, cpu, wall, 100.0 * cpu / wall);

  fs::path picture = root / "picture.bmp";
  WritePicture(picture);
  std::vector<INPUTDATA> reply = {
      {u"你好", 0}, {u"😀👍", 0}, {u"好的", 1}, {Utf8ToWide(picture.string()), 2}, {u"再见", 0}};
  const std::string pictureFigures = testing_support::CommandOutput(
      "\"" + standin + "\" --hash-image \"" + picture.string() + "\"");
  WECHATRUNDATA shown;
  manager->GetWeChatRunData(shown, keys.back());
  const fs::path transcript = root / ("transcript-" + std::to_string(shown.dwProcessId) + ".jsonl");
  const double fixedMs = 40 + 4 * 50;  // clearing, then four pasted items
  constexpr int kRounds = 9;
  std::vector<double> walls;
  int exact = 0;
  const double loadBefore = LoadAverage();
  for (int round = 0; round < kRounds; ++round) {
    PumpFor(100);
    const std::size_t linesBefore = TranscriptLines(transcript).size();
    auto start = Clock::now();
    const bool put = manager->InputTextVec(keys.back().c_str(), reply);
    manager->SendCurrText(keys.back().c_str());
    walls.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    // What arrived: the send's line in the transcript (bounded wait).
    auto until = Clock::now() + std::chrono::seconds(5);
    while (TranscriptLines(transcript).size() <= linesBefore && Clock::now() < until) PumpFor(10);
    const std::vector<std::string> lines = TranscriptLines(transcript);
    const bool arrived = lines.size() > linesBefore && ArrivedExactly(lines.back(), pictureFigures);
    exact += put && arrived ? 1 : 0;
    if (!put || !arrived)
      std::printf("  round %d: %s\n", round,
                  !put ? "InputTextVec reported a failure"
                       : (lines.size() > linesBefore ? lines.back().c_str() : "nothing arrived"));
  }
  std::sort(walls.begin(), walls.end());
  double median = walls[walls.size() / 2];
  std::printf(
      "5-item reply: median %.1f ms (min %.1f, max %.1f) against %.0f ms of fixed waits = %.3fx "
      "(goal <= 1.1x); arrived exactly %d of %d; load average %.2f before, %.2f after\n",
      median, walls.front(), walls.back(), fixedMs, median / fixedMs, exact, kRounds, loadBefore,
      LoadAverage());

  // Where the time over the fixed waits goes: each step alone, median of 7.
  auto medianOf = [&](const std::function<void()>& step) {
    std::vector<double> times;
    for (int round = 0; round < 7; ++round) {
      PumpFor(50);
      auto start = Clock::now();
      step();
      times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
  };
  const char* current = keys.back().c_str();
  std::printf("  activation and send shortcut: %.1f ms (no fixed wait)\n",
              medianOf([&] { manager->SendCurrText(current); }));
  std::printf("  activation and clearing: %.1f ms (40 ms fixed)\n",
              medianOf([&] { manager->InputTextVec(current, {}); }));
  std::printf("  ... and one pasted text: %.1f ms (90 ms fixed)\n", medianOf([&] {
                manager->InputTextVec(current, {{u"你好", 0}});
              }));
  std::printf("  ... and one pasted picture: %.1f ms (90 ms fixed)\n", medianOf([&] {
                manager->InputTextVec(current, {{Utf8ToWide(picture.string()), 2}});
              }));

  manager.reset();
  host.reset();
  frame.reset();
  fs::remove_all(root);
  return 0;
}
