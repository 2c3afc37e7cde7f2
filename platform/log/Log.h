// The system's log calls. Each folder logs under a logger of its own concern, named by its
// CMake target (TC_LOG_CONCERN: "app", "server", "wechat", "excel", "windows", "shortcut",
// "mainframe", "chrome", "platform.win32", "platform.ui", "platform.hook", "platform.log").
// They are children of the log4cplus root logger: a log.cfg that sets only the root keeps
// working, and a line "log4cplus.logger.shortcut=OFF" silences one concern. Every line
// carries the source file, the line and the function signature.
//
//   TC_LOG(TC_LOG_INFO, "wechat id: " << id);            // streamed message
//   TC_LOGF(TC_LOG_WARN, "%s face1: %s.", a, b);          // printf-style message
//   TC_TRACE("CMainFrameWnd::AddWebChat()");              // "ENTER: " now, "EXIT:  " on scope exit
#pragma once

#include "platform/log/Format.h"

#include <log4cplus/logger.h>
#include <log4cplus/tracelogger.h>

#include <sstream>
#include <string>

#define TC_LOG_TRACE 0
#define TC_LOG_DEBUG 10000
#define TC_LOG_INFO 20000
#define TC_LOG_WARN 30000
#define TC_LOG_ERROR 40000
#define TC_LOG_FATAL 50000

// Code outside the libraries (tests, tools) logs to the root logger.
#ifndef TC_LOG_CONCERN
#define TC_LOG_CONCERN ""
#endif

namespace tclog {

// The root logger; usable before InitLog (log4cplus then runs unconfigured).
log4cplus::Logger& Logger();
// The logger of a concern ("" is the root). The same object for the same name.
log4cplus::Logger& Logger(const std::string& concern);
void Write(const log4cplus::Logger& logger, int level, const std::string& message, const char* file,
           int line, const char* function);

// Local to each translation unit, which belongs to one concern.
namespace {
// This translation unit's logger, looked up once.
inline log4cplus::Logger& ConcernLogger() {
  static log4cplus::Logger& logger = Logger(TC_LOG_CONCERN);
  return logger;
}
inline bool IsEnabled(int level) {
  return ConcernLogger().isEnabledFor(level);
}
}  // namespace

}  // namespace tclog

#define TC_LOG(level, stream_expr)                                                              \
  do {                                                                                          \
    if (::tclog::IsEnabled(level)) {                                                            \
      std::ostringstream tc_log_stream_;                                                        \
      tc_log_stream_ << stream_expr;                                                            \
      ::tclog::Write(::tclog::ConcernLogger(), level, tc_log_stream_.str(), __FILE__, __LINE__, \
                     __PRETTY_FUNCTION__);                                                      \
    }                                                                                           \
  } while (0)

#define TC_LOGF(level, ...)                                                                   \
  do {                                                                                        \
    if (::tclog::IsEnabled(level))                                                            \
      ::tclog::Write(::tclog::ConcernLogger(), level, ::tclog::Format(__VA_ARGS__), __FILE__, \
                     __LINE__, __PRETTY_FUNCTION__);                                          \
  } while (0)

#define TC_TRACE_CONCAT_(a, b) a##b
#define TC_TRACE_NAME_(line) TC_TRACE_CONCAT_(tc_trace_scope_, line)
#define TC_TRACE(text)                                                                        \
  ::log4cplus::TraceLogger TC_TRACE_NAME_(__LINE__)(::tclog::ConcernLogger(), text, __FILE__, \
                                                    __LINE__, __PRETTY_FUNCTION__)
