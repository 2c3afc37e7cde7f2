// Captures what the system logs while the object lives: every message of the root logger
// (and so of every child logger), at every level.
#pragma once

#include <log4cplus/appender.h>
#include <log4cplus/logger.h>
#include <log4cplus/spi/loggingevent.h>

#include <mutex>
#include <string>
#include <vector>

namespace testing_support {

class LogCapture {
 public:
  LogCapture() : m_pAppender(new Appender) {
    log4cplus::Logger root = log4cplus::Logger::getRoot();
    m_nLevel = root.getLogLevel();
    root.setLogLevel(log4cplus::TRACE_LOG_LEVEL);
    root.addAppender(log4cplus::SharedAppenderPtr(m_pAppender));
  }
  ~LogCapture() {
    log4cplus::Logger root = log4cplus::Logger::getRoot();
    root.removeAppender(log4cplus::SharedAppenderPtr(m_pAppender));
    root.setLogLevel(m_nLevel);
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<std::string> Lines() const { return m_pAppender->Lines(); }
  // How many messages contain `part`.
  size_t Count(const std::string& part) const {
    size_t count = 0;
    for (const std::string& line : Lines()) count += line.find(part) != std::string::npos;
    return count;
  }

 private:
  class Appender : public log4cplus::Appender {
   public:
    ~Appender() override { destructorImpl(); }
    void close() override {}
    std::vector<std::string> Lines() {
      std::lock_guard<std::mutex> lock(m_mutex);
      return m_vecLines;
    }

   protected:
    void append(const log4cplus::spi::InternalLoggingEvent& event) override {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_vecLines.push_back(event.getMessage());
    }

   private:
    std::mutex m_mutex;
    std::vector<std::string> m_vecLines;
  };

  Appender* m_pAppender;  // owned by the logger's shared pointer
  log4cplus::LogLevel m_nLevel;
};

}  // namespace testing_support
