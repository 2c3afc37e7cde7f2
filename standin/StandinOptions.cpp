#include "standin/StandinOptions.h"

#include "platform/win32/Files.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace standin {
namespace {

bool parseInt(const std::string& text, int& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (*end || parsed < -1 || parsed > 24L * 3600 * 1000) return false;
  value = static_cast<int>(parsed);
  return true;
}

bool parseSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) return false;
  int w = 0;
  int h = 0;
  if (!parseInt(text.substr(0, x), w) || !parseInt(text.substr(x + 1), h) || w < 50 || h < 50)
    return false;
  width = w;
  height = h;
  return true;
}

std::string hexKeyOf(const std::string& text) {
  // A stable 32-digit key from the id (FNV-1a, twice), as the client's own key looks.
  std::string key;
  std::uint64_t hash = 1469598103934665603ull;
  for (int round = 0; round < 2; ++round) {
    for (char c : text + char('0' + round))
      hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char part[17];
    std::snprintf(part, sizeof part, "%016llx", static_cast<unsigned long long>(hash));
    key += part;
  }
  return key;
}

// Takes the next line number from "<file>.next" under an exclusive lock.
int nextLineNumber(const std::string& file) {
  const std::string counter = file + ".next";
  const int fd = open(counter.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  flock(fd, LOCK_EX);
  char text[32] = {};
  const ssize_t length = read(fd, text, sizeof text - 1);
  const int number = length > 0 ? std::atoi(text) : 0;
  const std::string next = std::to_string(number + 1);
  if (ftruncate(fd, 0) == 0 && pwrite(fd, next.data(), next.size(), 0) < 0) {
    // the counter stays; the next copy takes the same line
  }
  flock(fd, LOCK_UN);
  close(fd);
  return number;
}

}  // namespace

bool ParseOptions(int argc, char** argv, TStandinOptions& options, std::string& error) {
  struct TOption {
    const char* flag;
    const char* env;
    std::function<bool(const std::string&)> apply;
  };
  const std::vector<TOption> table = {
      {"--account", "TC_STANDIN_ACCOUNT",
       [&](const std::string& v) {
         options.strAccount = v;
         return true;
       }},
      {"--nickname", "TC_STANDIN_NICKNAME",
       [&](const std::string& v) {
         options.strNickname = v;
         return true;
       }},
      {"--avatar", "TC_STANDIN_AVATAR",
       [&](const std::string& v) {
         options.strAvatar = v;
         return true;
       }},
      {"--key40", "TC_STANDIN_KEY40",
       [&](const std::string& v) {
         options.strKey40 = v;
         return true;
       }},
      {"--accounts", "TC_STANDIN_ACCOUNTS",
       [&](const std::string& v) {
         options.strAccountsFile = v;
         return true;
       }},
      {"--data-root", "TC_STANDIN_DATA_ROOT",
       [&](const std::string& v) {
         options.strDataRoot = v;
         return true;
       }},
      {"--transcript", "TC_STANDIN_TRANSCRIPT",
       [&](const std::string& v) {
         options.strTranscript = v;
         return true;
       }},
      {"--login-delay", "TC_STANDIN_LOGIN_DELAY",
       [&](const std::string& v) { return parseInt(v, options.nLoginDelayMs); }},
      {"--logout-after", "TC_STANDIN_LOGOUT_AFTER",
       [&](const std::string& v) { return parseInt(v, options.nLogoutAfterMs); }},
      {"--exit-after", "TC_STANDIN_EXIT_AFTER",
       [&](const std::string& v) { return parseInt(v, options.nExitAfterMs); }},
      {"--login-size", "TC_STANDIN_LOGIN_SIZE",
       [&](const std::string& v) {
         return parseSize(v, options.nLoginWidth, options.nLoginHeight);
       }},
      {"--main-size", "TC_STANDIN_MAIN_SIZE",
       [&](const std::string& v) { return parseSize(v, options.nMainWidth, options.nMainHeight); }},
      {"--paste-delay", "TC_STANDIN_PASTE_DELAY",
       [&](const std::string& v) { return parseInt(v, options.nPasteDelayMs); }},
      {"--stall-max", "TC_STANDIN_STALL_MAX",
       [&](const std::string& v) { return parseInt(v, options.nStallMaxMs); }},
      {"--login-time", "TC_STANDIN_LOGIN_TIME",
       [&](const std::string& v) { return parseInt(v, options.nLoginTimeMs); }},
      {"--hash-image", nullptr,
       [&](const std::string& v) {
         options.strHashImage = v;
         return true;
       }},
  };
  for (const TOption& option : table) {
    const char* value = option.env ? std::getenv(option.env) : nullptr;
    if (value && *value && !option.apply(value)) {
      error = std::string("bad value for ") + option.env + ": " + value;
      return false;
    }
  }
  if (const char* noRegister = std::getenv("TC_STANDIN_NO_REGISTER");
      noRegister && std::strcmp(noRegister, "1") == 0)
    options.bRegister = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--no-register") {
      options.bRegister = false;
      continue;
    }
    if (arg == "--install") {
      options.bInstall = true;
      continue;
    }
    auto it =
        std::find_if(table.begin(), table.end(), [&](const TOption& o) { return arg == o.flag; });
    if (it == table.end() || i + 1 >= argc) {
      error = "unknown option or missing value: " + arg;
      return false;
    }
    if (!it->apply(argv[++i])) {
      error = "bad value for " + arg + ": " + argv[i];
      return false;
    }
  }
  const std::string pid = std::to_string(getpid());
  TakeAccountFromFile(options);
  if (options.strAccount.empty()) options.strAccount = "wxid_standin_" + pid;
  if (options.strNickname.empty()) options.strNickname = "Stand-in " + pid;
  if (options.strKey40.empty()) options.strKey40 = hexKeyOf(options.strAccount);
  if (options.strDataRoot.empty()) {
    char documents[MAX_PATH] = {};
    if (SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, TRUE))
      options.strDataRoot = documents;
  }
  for (std::size_t at; (at = options.strTranscript.find("%p")) != std::string::npos;)
    options.strTranscript.replace(at, 2, pid);
  return true;
}

void TakeAccountFromFile(TStandinOptions& options) {
  if (options.strAccountsFile.empty()) return;
  std::ifstream file(options.strAccountsFile);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  if (lines.empty()) return;
  const std::string line =
      lines[static_cast<std::size_t>(nextLineNumber(options.strAccountsFile)) % lines.size()];
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    fields.push_back(line.substr(start, tab - start));
  fields.push_back(line.substr(start));
  if (fields.size() > 0 && !fields[0].empty()) options.strAccount = fields[0];
  if (fields.size() > 1 && !fields[1].empty()) options.strNickname = fields[1];
  if (fields.size() > 2 && !fields[2].empty()) options.strAvatar = fields[2];
}

}  // namespace standin
