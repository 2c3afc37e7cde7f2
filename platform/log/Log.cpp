#include "platform/log/Log.h"

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

}  // namespace tclog
