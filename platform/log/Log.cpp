#include "platform/log/Log.h"

#include <map>
#include <mutex>

namespace tclog {

log4cplus::Logger& Logger() {
  static log4cplus::Logger logger = log4cplus::Logger::getRoot();
  return logger;
}

log4cplus::Logger& Logger(const std::string& concern) {
  if (concern.empty()) return Logger();
  static std::mutex mutex;
  // Never freed: translation units keep references for the life of the process.
  static auto* loggers = new std::map<std::string, log4cplus::Logger>;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = loggers->find(concern);
  if (it == loggers->end())
    it = loggers->emplace(concern, log4cplus::Logger::getInstance(concern)).first;
  return it->second;
}

void Write(const log4cplus::Logger& logger, int level, const std::string& message, const char* file,
           int line, const char* function) {
  logger.forcedLog(level, message, file, line, function);
}

}  // namespace tclog
