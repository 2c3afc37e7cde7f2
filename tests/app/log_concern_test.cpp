// Loggers by concern: this file logs as the "shortcut" concern, log_concern_peer.cpp as
// "mainframe", the way their libraries do.
#define TC_LOG_CONCERN "shortcut"
#include "platform/log/Log.h"
#include "tests/app/LogFileFixture.h"

#include <gtest/gtest.h>

#include <string>

void LogAsMainframe(const std::string& text);  // log_concern_peer.cpp

namespace {

const char* const kRootConfig =
    "log4cplus.rootLogger=TRACE, F\n"
    "log4cplus.appender.F=log4cplus::FileAppender\n"
    "log4cplus.appender.F.File=./test.log\n"
    "log4cplus.appender.F.ImmediateFlush=true\n"
    "log4cplus.appender.F.layout=log4cplus::PatternLayout\n"
    "log4cplus.appender.F.layout.ConversionPattern=%c|%p|%m%n\n";

class LogConcernTest : public CLogFileFixture {
 protected:
  void Configure(const std::string& extra) { ConfigureLog(kRootConfig + extra); }
};

TEST_F(LogConcernTest, AConfigOfTheRootAloneReachesEveryConcernUnderItsName) {
  Configure("");
  TC_LOG(TC_LOG_INFO, "from the panel");
  LogAsMainframe("from the frame");
  const std::string text = logText();
  EXPECT_NE(text.find("shortcut|INFO|from the panel\n"), std::string::npos) << text;
  EXPECT_NE(text.find("mainframe|INFO|from the frame\n"), std::string::npos) << text;
  EXPECT_NE(text.find("mainframe|TRACE|ENTER: CPeer::Log()\n"), std::string::npos) << text;
}

TEST_F(LogConcernTest, AConcernSilencedInLogCfgWritesNothingWhileAnotherStillWrites) {
  Configure("log4cplus.logger.shortcut=OFF\n");
  TC_LOG(TC_LOG_FATAL, "silenced line");
  TC_LOGF(TC_LOG_ERROR, "silenced %s", "format");
  { TC_TRACE("CSilenced::Scope()"); }
  LogAsMainframe("still written");
  const std::string text = logText();
  EXPECT_EQ(text.find("silenced"), std::string::npos) << text;
  EXPECT_EQ(text.find("CSilenced"), std::string::npos) << text;
  EXPECT_NE(text.find("mainframe|INFO|still written\n"), std::string::npos) << text;
}

TEST_F(LogConcernTest, AConcernGetsALevelOfItsOwn) {
  Configure("log4cplus.logger.mainframe=WARN\n");
  TC_LOG(TC_LOG_DEBUG, "panel detail");
  LogAsMainframe("frame detail");
  const std::string text = logText();
  EXPECT_NE(text.find("shortcut|DEBUG|panel detail\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("frame detail"), std::string::npos) << text;
}

}  // namespace
