#include "platform/log/Log.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace tclog {

log4cplus::Logger& Logger() {
  static log4cplus::Logger logger = log4cplus::Logger::getRoot();
  return logger;
}

bool IsEnabled(int level) {
  return Logger().isEnabledFor(level);
}

void Write(int level, const std::string& message, const char* file, int line,
           const char* function) {
  Logger().forcedLog(level, message, file, line, function);
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (needed > 0) {
    std::vector<char> buffer(static_cast<size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    out.assign(buffer.data(), static_cast<size_t>(needed));
  }
  va_end(args);
  return out;
}

}  // namespace tclog
