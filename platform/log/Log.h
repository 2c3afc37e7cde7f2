// The system's log calls. Every line goes to the process-wide logger (a copy of the
// log4cplus root logger) with the source file, the line and the function signature.
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

namespace tclog {

// The system's logger; usable before InitLog (log4cplus then runs unconfigured).
log4cplus::Logger& Logger();
bool IsEnabled(int level);
void Write(int level, const std::string& message, const char* file, int line, const char* function);

}  // namespace tclog

#define TC_LOG(level, stream_expr)                                                          \
  do {                                                                                      \
    if (::tclog::IsEnabled(level)) {                                                        \
      std::ostringstream tc_log_stream_;                                                    \
      tc_log_stream_ << stream_expr;                                                        \
      ::tclog::Write(level, tc_log_stream_.str(), __FILE__, __LINE__, __PRETTY_FUNCTION__); \
    }                                                                                       \
  } while (0)

#define TC_LOGF(level, ...)                                                   \
  do {                                                                        \
    if (::tclog::IsEnabled(level))                                            \
      ::tclog::Write(level, ::tclog::Format(__VA_ARGS__), __FILE__, __LINE__, \
                     __PRETTY_FUNCTION__);                                    \
  } while (0)

#define TC_TRACE_CONCAT_(a, b) a##b
#define TC_TRACE_NAME_(line) TC_TRACE_CONCAT_(tc_trace_scope_, line)
#define TC_TRACE(text)                                                                           \
  ::log4cplus::TraceLogger TC_TRACE_NAME_(__LINE__)(::tclog::Logger(), text, __FILE__, __LINE__, \
                                                    __PRETTY_FUNCTION__)
