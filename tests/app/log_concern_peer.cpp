// The other concern of log_concern_test.cpp.
#define TC_LOG_CONCERN "mainframe"
#include "platform/log/Log.h"

#include <string>

void LogAsMainframe(const std::string& text) {
  TC_TRACE("CPeer::Log()");
  TC_LOG(TC_LOG_INFO, text);
}
