#include "refserver/ServerLog.h"

#include "refserver/PrivateFiles.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <utility>

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

// The code point of the UTF-8 sequence at `at` and its length; length 0 when the bytes there
// are not valid UTF-8.
std::pair<char32_t, size_t> decodeAt(const std::string& text, size_t at) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned c = s[at];
  size_t len = 0;
  char32_t min = 0;
  char32_t cp = 0;
  if (c < 0x80) return {c, 1};
  if ((c & 0xE0) == 0xC0)
    len = 2, min = 0x80, cp = c & 0x1F;
  else if ((c & 0xF0) == 0xE0)
    len = 3, min = 0x800, cp = c & 0x0F;
  else if ((c & 0xF8) == 0xF0)
    len = 4, min = 0x10000, cp = c & 0x07;
  else
    return {0, 0};
  if (at + len > text.size()) return {0, 0};
  for (size_t k = 1; k < len; ++k) {
    if ((s[at + k] & 0xC0) != 0x80) return {0, 0};
    cp = (cp << 6) | (s[at + k] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {0, 0};
  return {cp, len};
}

// Characters that end a line or turn the text's direction in a viewer: a line separator in
// a request's path must not start what looks like a line of the server's, and a direction
// override must not make a path read backwards.
bool breaksTheLine(char32_t cp) {
  return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0) || cp == 0x061C || cp == 0x200E ||
         cp == 0x200F || (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069) ||
         cp == 0xFEFF;
}

// Control characters as \xNN, line and paragraph separators and direction marks as \u{NNNN},
// bytes that are not UTF-8 as \xNN, the backslash as \\. Other UTF-8 text passes as it is.
std::string escapeControls(const std::string& line) {
  std::string out;
  out.reserve(line.size());
  for (size_t i = 0; i < line.size();) {
    const auto [cp, len] = decodeAt(line, i);
    char escaped[16];
    if (len == 0) {
      std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(line[i]));
      out += escaped;
      ++i;
      continue;
    }
    if (cp == '\\') {
      out += "\\\\";
    } else if (cp < 0x80 && breaksTheLine(cp)) {
      std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(cp));
      out += escaped;
    } else if (breaksTheLine(cp)) {
      std::snprintf(escaped, sizeof escaped, "\\u{%04x}", static_cast<unsigned>(cp));
      out += escaped;
    } else {
      out.append(line, i, len);
    }
    i += len;
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
  if (!m_file.is_open()) return;
  m_file << text << std::flush;
  // A failed write (a full disk) leaves the stream failed for good unless it is cleared:
  // the next line tries again, so the log resumes once there is room.
  if (!m_file) m_file.clear();
}

}  // namespace refserver
