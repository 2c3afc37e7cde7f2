// Self-pipe model: the async-signal-safe catcher only writes the signal number into a pipe;
// a detached thread reads it and runs the handlers, which may then take locks, log and post
// window messages as any other thread does.
#include "platform/win32/ConsoleCtrl.h"

#include "platform/log/Log.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct TSignalMap {
  int nSignal;
  DWORD dwCtrlType;
};
// Every signal caught, with the control event it stands for.
constexpr TSignalMap kSignals[] = {
    {SIGINT, CTRL_C_EVENT}, {SIGHUP, CTRL_CLOSE_EVENT}, {SIGTERM, CTRL_SHUTDOWN_EVENT}};

std::mutex s_mutex;
std::vector<PHANDLER_ROUTINE> s_handlers;
int s_pipe[2] = {-1, -1};

void catchSignal(int signal) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t written = ::write(s_pipe[1], &byte, 1);
  errno = saved;
}

void runDefault(int signal) {
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void dispatch() {
  for (;;) {
    unsigned char byte = 0;
    const ssize_t got = ::read(s_pipe[0], &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    const auto* entry = std::find_if(std::begin(kSignals), std::end(kSignals),
                                     [byte](const TSignalMap& m) { return m.nSignal == byte; });
    if (entry == std::end(kSignals)) continue;
    std::vector<PHANDLER_ROUTINE> handlers;
    {
      std::lock_guard<std::mutex> lock(s_mutex);
      handlers.assign(s_handlers.rbegin(), s_handlers.rend());
    }
    TC_LOG(TC_LOG_INFO, "signal " << entry->nSignal << ": control event " << entry->dwCtrlType);
    const bool handled = std::any_of(handlers.begin(), handlers.end(),
                                     [entry](PHANDLER_ROUTINE h) { return h(entry->dwCtrlType); });
    if (!handled) runDefault(entry->nSignal);
  }
}

bool installCatchers() {
  if (s_pipe[0] >= 0) return true;
  if (::pipe2(s_pipe, O_CLOEXEC) != 0) return false;
  struct sigaction action {};
  action.sa_handler = catchSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const TSignalMap& entry : kSignals) ::sigaction(entry.nSignal, &action, nullptr);
  std::thread(dispatch).detach();
  return true;
}

}  // namespace

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) {
  if (!handler) return FALSE;
  std::lock_guard<std::mutex> lock(s_mutex);
  if (!add) {
    auto it = std::find(s_handlers.begin(), s_handlers.end(), handler);
    if (it == s_handlers.end()) return FALSE;
    s_handlers.erase(it);
    return TRUE;
  }
  if (!installCatchers()) return FALSE;
  s_handlers.push_back(handler);
  return TRUE;
}
