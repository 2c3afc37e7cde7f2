#include "wechat/ExcelOffice.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// First sheet (last "1"), comma (44), double quote (34), UTF-8 (76). "Save as shown" off:
// numbers come out plain (12, not "12.00" from a two-decimal format), as the built-in reader
// gives them; dates are still written as the sheet shows them.
constexpr const char* kCsvExport =
    "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,1";
// A .csv input is read with commas, as UTF-8 (76) or, when it is not valid UTF-8, as GBK
// (67, code page 936: what Excel writes on Chinese Windows), rather than by guessing.
constexpr const char* kCsvImportUtf8 = "--infilter=Text - txt - csv (StarCalc):44,34,76,1";
constexpr const char* kCsvImportGbk = "--infilter=Text - txt - csv (StarCalc):44,34,67,1";
constexpr auto kPollInterval = std::chrono::milliseconds(20);
// A process that ignores SIGKILL (stuck in the kernel) must not hold the caller long.
constexpr auto kGroupEndWait = std::chrono::milliseconds(2000);

bool isExecutableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// "file://" URL of a local folder; everything but unreserved characters and "/" is escaped.
std::string fileUrl(const std::string& path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += hex[c >> 4];
      url += hex[c & 15];
    }
  }
  return url;
}

// The input's extension, lower case, when it is a plain one; LibreOffice picks its import
// filter faster with it (it still checks the content).
std::string plainExtension(const std::string& input) {
  std::string ext = fs::path(input).extension().string();
  if (ext.size() < 2 || ext.size() > 6) return {};
  for (std::size_t i = 1; i < ext.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(ext[i]);
    if (!std::isalnum(c)) return {};
    ext[i] = static_cast<char>(std::tolower(c));
  }
  return ext;
}

bool copyInput(const std::string& input, const std::string& copy, std::string& error) {
  std::error_code ec;
  if (!fs::is_regular_file(fs::path(input), ec)) {
    error = "\"" + input + "\" is not a readable file";
    return false;
  }
  if (!fs::copy_file(fs::path(input), copy, ec)) {
    error = "cannot copy \"" + input + "\": " + ec.message();
    return false;
  }
  return true;
}

// True when the file is valid UTF-8 (lead and continuation bytes; over-long forms pass).
bool fileIsUtf8(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  char buffer[65536];
  int pending = 0;  // continuation bytes still due for the current character
  while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
    for (std::streamsize i = 0; i < file.gcount(); ++i) {
      const auto c = static_cast<unsigned char>(buffer[i]);
      if (pending > 0) {
        if ((c & 0xC0) != 0x80) return false;
        --pending;
      } else if (c >= 0x80) {
        pending = (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (pending < 0) return false;
      }
    }
  }
  return pending == 0;
}

std::vector<std::string> childEnvironment(const std::string& tmpFolder) {
  std::vector<std::string> env;
  for (char** entry = environ; entry && *entry; ++entry) {
    if (std::strncmp(*entry, "TMPDIR=", 7) != 0) env.emplace_back(*entry);
  }
  env.push_back("TMPDIR=" + tmpFolder);
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// Starts the child in a process group of its own, output to `logPath`, signals at default.
bool spawnChild(const std::string& program, std::vector<std::string>& args,
                std::vector<std::string>& env, const std::string& logPath, pid_t& pid,
                std::string& error) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t mask;
  sigemptyset(&mask);
  posix_spawnattr_setsigmask(&attr, &mask);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGCHLD}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> argv = pointers(args);
  std::vector<char*> envp = pointers(env);
  const int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), envp.data());
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    error = "cannot start " + program + ": " + std::strerror(rc);
    return false;
  }
  return true;
}

// True while a process of the group is still running. Members that are already dead but not
// yet reaped (orphans wait for init to collect them) do not count.
bool groupHasLiveMembers(pid_t group) {
  if (::kill(-group, 0) != 0) return false;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t close = line.rfind(')');
    char state = 0;
    int parent = 0;
    int pgrp = 0;
    if (close != std::string::npos &&
        std::sscanf(line.c_str() + close + 1, " %c %d %d", &state, &parent, &pgrp) == 3 &&
        pgrp == group && state != 'Z' && state != 'X')
      return true;
  }
  return false;
}

// SIGKILL takes a moment to end the processes; wait (briefly) until none of the group runs,
// so that the caller never sees a doomed process still at work.
void waitForGroupToEnd(pid_t group) {
  const auto deadline = std::chrono::steady_clock::now() + kGroupEndWait;
  while (groupHasLiveMembers(group) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// Waits for the child up to the time-out. Then kills its whole process group while the
// child is still unreaped (so its id, which names the group, cannot have been reused),
// and reaps it. Returns false on time-out.
bool waitAndKillGroup(pid_t pid, int timeoutMs, int& status) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
      if (errno == EINTR) continue;
      // Reaped elsewhere: its id is no longer ours to signal; the output tells.
      status = 0;
      return true;
    }
    const bool exited = info.si_pid == pid;
    if (exited || std::chrono::steady_clock::now() >= deadline) {
      ::kill(-pid, SIGKILL);
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
      waitForGroupToEnd(pid);
      return exited;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
}

// The line of LibreOffice's output that says what went wrong, for the log.
std::string failureReason(const std::string& logPath) {
  std::ifstream log(logPath);
  std::string line;
  std::string reason;
  while (std::getline(log, line)) {
    if (line.starts_with("Error") || reason.empty()) reason = line;
  }
  return reason.substr(0, 200);
}

std::string findCsv(const std::string& folder) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.is_regular_file(ec) && entry.path().extension() == ".csv")
      return entry.path().string();
  }
  return {};
}

}  // namespace

std::string FindSofficeProgram() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = dirs.substr(start, end - start);
    start = end + 1;
    if (dir.empty() || dir[0] != '/') continue;  // never run a program from the current folder
    for (const char* name : {"soffice", "libreoffice"}) {
      const std::string candidate = dir + "/" + name;
      if (isExecutableFile(candidate)) return candidate;
    }
  }
  return {};
}

CExcelTempFolder::~CExcelTempFolder() {
  if (m_sPath.empty()) return;
  std::error_code ec;
  fs::remove_all(m_sPath, ec);
}

bool CExcelTempFolder::Create(std::string& error) {
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  if (ec) {
    error = "no temporary folder: " + ec.message();
    return false;
  }
  std::string pattern = (base / "tc-excel-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    error = "cannot make a folder in " + base.string() + ": " + std::strerror(errno);
    return false;
  }
  m_sPath = pattern;
  return true;
}

bool ConvertWithSoffice(const std::string& program, const std::string& input,
                        const std::string& workFolder, int timeoutMs, std::string& csvPath,
                        std::string& error) {
  const std::string inputCopy = workFolder + "/book" + plainExtension(input);
  const std::string outFolder = workFolder + "/out";
  const std::string tmpFolder = workFolder + "/tmp";
  const std::string logPath = workFolder + "/soffice.log";
  std::error_code ec;
  if (!fs::create_directory(outFolder, ec) || !fs::create_directory(tmpFolder, ec)) {
    error = "cannot make folders in " + workFolder + ": " + ec.message();
    return false;
  }
  if (!copyInput(input, inputCopy, error)) return false;

  std::vector<std::string> args = {
      program,         "-env:UserInstallation=" + fileUrl(workFolder + "/profile"),
      "--headless",    "--norestore",
      "--nolockcheck", "--nologo",
      "--nodefault"};
  if (plainExtension(input) == ".csv")
    args.emplace_back(fileIsUtf8(inputCopy) ? kCsvImportUtf8 : kCsvImportGbk);
  args.insert(args.end(), {"--convert-to", kCsvExport, "--outdir", outFolder, inputCopy});
  std::vector<std::string> env = childEnvironment(tmpFolder);

  pid_t pid = 0;
  if (!spawnChild(program, args, env, logPath, pid, error)) return false;
  int status = 0;
  if (!waitAndKillGroup(pid, timeoutMs, status)) {
    error = "LibreOffice did not finish within " + std::to_string(timeoutMs) + " ms";
    return false;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    error = "LibreOffice failed (status " + std::to_string(status) + "): " + failureReason(logPath);
    return false;
  }
  csvPath = findCsv(outFolder);
  if (csvPath.empty()) {
    error = "LibreOffice could not convert the file: " + failureReason(logPath);
    return false;
  }
  return true;
}
