#include "platform/win32/DebugOutput.h"

#include <log4cplus/logger.h>
#include <log4cplus/loggingmacros.h>

void OutputDebugStringA(LPCSTR text) {
  if (!text) return;
  static log4cplus::Logger logger = log4cplus::Logger::getInstance("platform.win32.debug");
  LOG4CPLUS_TRACE(logger, text);
}
