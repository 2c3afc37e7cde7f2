#include "refserver/ServerLog.h"

#include "refserver/PrivateFiles.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>

namespace refserver {

namespace {

std::string timestamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[40];
  const size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(text + n, sizeof text - n, ".%03d", static_cast<int>(millis));
  return text;
}

// Control characters as \xNN, the backslash as \\: a "%0a" in a request's path must not
// start a line of its own that looks like the server's. Bytes of UTF-8 text pass as they are.
std::string escapeControls(const std::string& line) {
  std::string out;
  out.reserve(line.size());
  for (const char ch : line) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace

CServerLog::CServerLog(const std::string& filePath, bool quiet) : m_bQuiet(quiet) {
  if (filePath.empty()) return;
  MakePrivateFile(filePath);  // the log holds SMS codes
  m_file.open(filePath, std::ios::app);
}

void CServerLog::Info(const std::string& line) {
  Write("INFO ", line);
}

void CServerLog::Error(const std::string& line) {
  Write("ERROR", line);
}

void CServerLog::Write(const char* level, const std::string& line) {
  const std::string text = timestamp() + " " + level + " " + escapeControls(line) + "\n";
  std::lock_guard lock(m_mutex);
  if (!m_bQuiet) std::cerr << text << std::flush;
  if (m_file.is_open()) m_file << text << std::flush;
}

}  // namespace refserver
