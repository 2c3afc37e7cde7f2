// Processes on POSIX. A child started here is tracked by a shared state that every handle
// on it (hProcess, hThread, OpenProcess) holds; the state reaps the child when it is seen
// to exit, and when the last handle goes while the child still runs, a reaper thread waits
// for it, so that no zombie is ever left behind.
#include "platform/win32/Process.h"

#include "platform/log/Log.h"
#include "platform/win32/Sync.h"
#include "platform/win32/Window.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace win32 {
namespace {

constexpr DWORD kTerminateWaitMs = 2000;

int openPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

// True while a process of the group is alive (a zombie waiting for its parent is not).
bool groupHasLiveMember(pid_t group) {
  if (::kill(-group, 0) != 0) return false;
  DIR* proc = opendir("/proc");
  if (!proc) return true;
  bool live = false;
  while (dirent* entry = readdir(proc)) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
    std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // "pid (name) state ppid pgrp ...": the name may hold blanks and parentheses.
    const std::size_t close = line.rfind(')');
    char state = 0;
    long parent = 0;
    long processGroup = 0;
    if (close == std::string::npos ||
        std::sscanf(line.c_str() + close + 1, " %c %ld %ld", &state, &parent, &processGroup) != 3)
      continue;
    if (processGroup == group && state != 'Z') {
      live = true;
      break;
    }
  }
  closedir(proc);
  return live;
}

void waitForGroupToEnd(pid_t group, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (groupHasLiveMember(group)) {
    if (GetTickCount() - start >= milliseconds) {
      TC_LOG(TC_LOG_WARN,
             "process group " << group << " did not end within " << milliseconds << " ms");
      return;
    }
    Sleep(5);
  }
}

class TProcessState;

// Our children by pid, so that OpenProcess on one shares its state (and can reap it).
// A state is never destroyed while this lock is held.
std::mutex s_childrenMutex;
std::map<pid_t, std::weak_ptr<TProcessState>> s_children;

// What is known of one process, shared by all handles on it.
class TProcessState {
 public:
  TProcessState(pid_t pid, bool child, bool groupLeader = false)
      : m_pid(pid), m_bChild(child), m_bGroupLeader(groupLeader), m_fdPid(openPidfd(pid)) {}
  ~TProcessState() {
    if (m_bChild) {
      if (!m_bExited) handOverToReaper(m_pid);
      std::lock_guard<std::mutex> lock(s_childrenMutex);
      auto it = s_children.find(m_pid);
      if (it != s_children.end() && it->second.expired()) s_children.erase(it);
    }
    if (m_fdPid >= 0) close(m_fdPid);
  }

  pid_t Pid() const { return m_pid; }
  bool IsChild() const { return m_bChild; }

  // WAIT_OBJECT_0 once the process has exited (a child is reaped then).
  DWORD Wait(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
      if (HasExited()) return WAIT_OBJECT_0;
      const DWORD elapsed = GetTickCount() - start;
      if (milliseconds != INFINITE && elapsed >= milliseconds) return WAIT_TIMEOUT;
      const DWORD left = milliseconds == INFINITE ? 1000 : milliseconds - elapsed;
      sleepUntilExitOr(std::min<DWORD>(left, 1000));
    }
  }

  bool HasExited() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bExited) return true;
    if (m_bChild) {
      int status = 0;
      const pid_t result = waitpid(m_pid, &status, WNOHANG);
      if (result == m_pid) {
        m_bExited = true;
        m_dwExitCode = exitCodeOf(status);
      } else if (result < 0 && errno == ECHILD) {
        m_bExited = true;  // reaped elsewhere; the code is unknown
      }
      return m_bExited;
    }
    m_bExited = kill(m_pid, 0) != 0 && errno == ESRCH;
    return m_bExited;
  }

  DWORD ExitCode() {
    if (!HasExited()) return STILL_ACTIVE;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dwExitCode;
  }

  bool Kill(UINT exitCode) {
    // The group outlives its leader when a launcher ended before the program it started.
    const bool group = m_bGroupLeader && groupHasLiveMember(m_pid);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_bExited && !group) return false;
      if (!m_bExited) {
        m_dwTerminateCode = exitCode;
        m_bTerminated = true;
      }
    }
    if (group) ::kill(-m_pid, SIGKILL);
    if (!group && !sendKill()) return false;
    Wait(kTerminateWaitMs);
    if (group) waitForGroupToEnd(m_pid, kTerminateWaitMs);
    return true;
  }

 private:
  static void handOverToReaper(pid_t pid) {
    if (waitpid(pid, nullptr, WNOHANG) != 0) return;  // reaped now, or not ours any more
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  }

  DWORD exitCodeOf(int status) const {
    if (WIFEXITED(status)) return static_cast<DWORD>(WEXITSTATUS(status));
    if (WIFSIGNALED(status) && m_bTerminated && WTERMSIG(status) == SIGKILL)
      return m_dwTerminateCode;
    if (WIFSIGNALED(status)) return 128u + static_cast<DWORD>(WTERMSIG(status));
    return 0;
  }

  bool sendKill() {
#ifdef SYS_pidfd_send_signal
    if (m_fdPid >= 0) return syscall(SYS_pidfd_send_signal, m_fdPid, SIGKILL, nullptr, 0) == 0;
#endif
    return kill(m_pid, SIGKILL) == 0;
  }

  void sleepUntilExitOr(DWORD milliseconds) {
    if (m_fdPid >= 0) {
      pollfd fd{m_fdPid, POLLIN, 0};
      poll(&fd, 1, static_cast<int>(milliseconds));
    } else {
      Sleep(std::min<DWORD>(milliseconds, 10));
    }
  }

  const pid_t m_pid;
  const bool m_bChild;
  const bool m_bGroupLeader;
  const int m_fdPid;
  std::mutex m_mutex;
  bool m_bExited = false;
  bool m_bTerminated = false;
  DWORD m_dwExitCode = 0;
  DWORD m_dwTerminateCode = 0;
};

std::shared_ptr<TProcessState> stateFor(pid_t pid) {
  std::lock_guard<std::mutex> lock(s_childrenMutex);
  auto it = s_children.find(pid);
  if (it != s_children.end()) {
    if (auto state = it->second.lock()) return state;
    s_children.erase(it);
  }
  return std::make_shared<TProcessState>(pid, false);
}

class CProcessObject : public KernelObject {
 public:
  explicit CProcessObject(std::shared_ptr<TProcessState> state) : m_state(std::move(state)) {}
  DWORD Wait(DWORD milliseconds) override { return m_state->Wait(milliseconds); }
  TProcessState& State() { return *m_state; }

 private:
  std::shared_ptr<TProcessState> m_state;
};

// The command line split by the C runtime's rules of Windows: blanks separate, double
// quotes group, 2n backslashes before a quote give n and the quote counts, 2n+1 give n and a
// literal quote; other backslashes are literal (so "C:\a b\x.exe" stays whole).
std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  std::vector<std::string> args;
  std::string current;
  bool inQuotes = false;
  bool hasArg = false;
  for (std::size_t i = 0; i < commandLine.size(); ++i) {
    const char c = commandLine[i];
    if (c == '\\') {
      std::size_t count = 0;
      while (i < commandLine.size() && commandLine[i] == '\\') ++count, ++i;
      if (i < commandLine.size() && commandLine[i] == '"') {
        current.append(count / 2, '\\');
        if (count % 2)
          current += '"';
        else
          inQuotes = !inQuotes;
      } else {
        current.append(count, '\\');
        --i;
      }
      hasArg = true;
    } else if (c == '"') {
      inQuotes = !inQuotes;
      hasArg = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (hasArg) args.push_back(current);
      current.clear();
      hasArg = false;
    } else {
      current += c;
      hasArg = true;
    }
  }
  if (hasArg) args.push_back(current);
  return args;
}

std::vector<std::string> environmentOf(LPVOID environment, bool hidden) {
  std::vector<std::string> entries;
  if (environment) {
    for (const char* entry = static_cast<const char*>(environment); *entry;
         entry += std::strlen(entry) + 1)
      entries.emplace_back(entry);
  } else {
    for (char** entry = environ; entry && *entry; ++entry) entries.emplace_back(*entry);
  }
  std::erase_if(entries, [](const std::string& e) { return e.rfind("TC_START_HIDDEN=", 0) == 0; });
  if (hidden) entries.emplace_back("TC_START_HIDDEN=1");
  return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

DWORD win32ErrorOf(int error) {
  switch (error) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
      return ERROR_ACCESS_DENIED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_INVALID_PARAMETER;
  }
}

int spawn(const std::string& program, std::vector<std::string>& args, std::vector<std::string>& env,
          LPCSTR currentDirectory, bool newGroup, bool inheritHandles, pid_t& pid) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // As on Windows, a child inherits nothing unless asked to: a socket of ours held open by a
  // long-lived child (a chat client) outlives our close of it, and its peer never learns the
  // connection is gone.
  if (!inheritHandles) posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  if (currentDirectory && *currentDirectory)
    posix_spawn_file_actions_addchdir_np(&actions, currentDirectory);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t noSignals;
  sigemptyset(&noSignals);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGCHLD);
  posix_spawnattr_setsigmask(&attributes, &noSignals);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  if (newGroup) {
    posix_spawnattr_setpgroup(&attributes, 0);  // a group of its own, named by its pid
    flags |= POSIX_SPAWN_SETPGROUP;
  }
  posix_spawnattr_setflags(&attributes, flags);
  std::vector<char*> argv = pointersTo(args);
  std::vector<char*> envp = pointersTo(env);
  const bool searchPath = program.find('/') == std::string::npos;
  const int error =
      searchPath
          ? posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data())
          : posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return error;
}

CProcessObject* processOf(HANDLE handle) {
  return HandleAs<CProcessObject>(handle);
}

std::string readLink(const std::string& path) {
  char buffer[PATH_MAX];
  const ssize_t length = readlink(path.c_str(), buffer, sizeof buffer - 1);
  if (length <= 0) return {};
  return std::string(buffer, static_cast<std::size_t>(length));
}

DWORD copyOut(const std::string& text, LPSTR buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  if (text.size() + 1 > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

// The parent id from /proc/<pid>/stat (field 4, after the parenthesised name).
DWORD parentOf(DWORD pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return 0;
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos || close + 4 >= line.size()) return 0;
  unsigned long parent = 0;
  if (std::sscanf(line.c_str() + close + 2, "%*c %lu", &parent) != 1) return 0;
  return static_cast<DWORD>(parent);
}

}  // namespace

DWORD ProcessIdOf(HANDLE process) {
  CProcessObject* object = processOf(process);
  return object ? static_cast<DWORD>(object->State().Pid()) : 0;
}

bool IsProcessOrDescendant(DWORD pid, DWORD ancestor) {
  // Bounded walk: a parent link loop (a racing pid reuse) cannot hang it.
  for (int depth = 0; pid > 1 && depth < 64; ++depth) {
    if (pid == ancestor) return true;
    pid = parentOf(pid);
  }
  return pid == ancestor && ancestor != 0;
}

}  // namespace win32

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, void*, void*, BOOL inheritHandles,
                    DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                    LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation) {
  std::vector<std::string> args = win32::splitCommandLine(commandLine ? commandLine : "");
  std::string program = applicationName && *applicationName ? applicationName : "";
  if (program.empty() && !args.empty()) program = args.front();
  if (args.empty()) args.push_back(program);
  if (program.empty() || !processInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const bool hidden = startupInfo && (startupInfo->dwFlags & STARTF_USESHOWWINDOW) &&
                      startupInfo->wShowWindow == 0 /* SW_HIDE */;
  std::vector<std::string> env = win32::environmentOf(environment, hidden);
  pid_t pid = 0;
  const bool newGroup = (creationFlags & CREATE_NEW_PROCESS_GROUP) != 0;
  if (int error = win32::spawn(program, args, env, currentDirectory, newGroup,
                               inheritHandles != FALSE, pid)) {
    TC_LOG(TC_LOG_WARN, "CreateProcessA: cannot start " << program << ": " << std::strerror(error));
    SetLastError(win32::win32ErrorOf(error));
    return FALSE;
  }
  auto state = std::make_shared<win32::TProcessState>(pid, true, newGroup);
  {
    std::lock_guard<std::mutex> lock(win32::s_childrenMutex);
    win32::s_children[pid] = state;
  }
  processInformation->hProcess = win32::MakeHandle(new win32::CProcessObject(state));
  processInformation->hThread = win32::MakeHandle(new win32::CProcessObject(state));
  processInformation->dwProcessId = static_cast<DWORD>(pid);
  processInformation->dwThreadId = static_cast<DWORD>(pid);
  return TRUE;
}

HANDLE OpenProcess(DWORD, BOOL, DWORD processId) {
  const auto pid = static_cast<pid_t>(processId);
  if (pid <= 0 || (kill(pid, 0) != 0 && errno == ESRCH)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return win32::MakeHandle(new win32::CProcessObject(win32::stateFor(pid)));
}

BOOL TerminateProcess(HANDLE process, UINT exitCode) {
  win32::CProcessObject* object = win32::processOf(process);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!object->State().Kill(exitCode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  win32::CProcessObject* object = win32::processOf(process);
  if (!object || !exitCode) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *exitCode = object->State().ExitCode();
  return TRUE;
}

DWORD GetProcessId(HANDLE process) {
  return win32::ProcessIdOf(process);
}

DWORD GetProcessImageFileNameA(HANDLE process, LPSTR imageFileName, DWORD size) {
  const DWORD pid = win32::ProcessIdOf(process);
  if (!pid) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  const std::string image = win32::readLink("/proc/" + std::to_string(pid) + "/exe");
  if (image.empty()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  return win32::copyOut(image, imageFileName, size);
}

DWORD GetLogicalDriveStringsA(DWORD bufferLength, LPSTR buffer) {
  static constexpr char kDrives[] = {'/', '\0', '\0'};
  if (!buffer || bufferLength < sizeof kDrives) return sizeof kDrives;  // the size needed
  std::memcpy(buffer, kDrives, sizeof kDrives);
  return sizeof kDrives - 1;
}

DWORD QueryDosDeviceA(LPCSTR deviceName, LPSTR targetPath, DWORD maxCount) {
  // The device name of a drive is the drive itself; the list ends with a second zero.
  if (!deviceName || !*deviceName || !targetPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string device(deviceName);
  if (device.size() + 2 > maxCount) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(targetPath, device.c_str(), device.size() + 1);
  targetPath[device.size() + 1] = '\0';
  return static_cast<DWORD>(device.size() + 2);
}

HANDLE GetProcessHeap() {
  // A fixed non-null value: there is one heap, and nothing is ever closed.
  static int heap = 0;
  return reinterpret_cast<HANDLE>(&heap);
}

SIZE_T HeapCompact(HANDLE, DWORD) {
  ::malloc_trim(0);
  return 0;
}
