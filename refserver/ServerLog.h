// The server's log: one timestamped line per event, to stderr and, when a file is given,
// appended to that file.
//
// Safe to call from every request thread: lines are written whole, one at a time, under a
// lock. The server owns its log for its whole life.
#pragma once

#include <fstream>
#include <mutex>
#include <string>

namespace refserver {

class CServerLog {
 public:
  // An empty path logs to stderr only; quiet = true drops the stderr copy.
  explicit CServerLog(const std::string& filePath = {}, bool quiet = false);

  void Info(const std::string& line);
  void Error(const std::string& line);

 private:
  void Write(const char* level, const std::string& line);

  std::mutex m_mutex;
  std::ofstream m_file;
  bool m_bQuiet;
};

}  // namespace refserver
