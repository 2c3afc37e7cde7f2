#include "platform/log/Log.h"
#include "tests/app/LogFileFixture.h"

#include <gtest/gtest.h>

#include <stdexcept>

using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WriteText;

namespace {

void FailingOperation() {
  TC_TRACE("CTest::FailingOperation()");
  throw std::runtime_error("boom");
}

class LogTest : public CLogFileFixture {
 protected:
  void SetUp() override {
    ConfigureLog(
        "log4cplus.rootLogger=TRACE, F\n"
        "log4cplus.appender.F=log4cplus::FileAppender\n"
        "log4cplus.appender.F.File=./test.log\n"
        "log4cplus.appender.F.ImmediateFlush=true\n"
        "log4cplus.appender.F.layout=log4cplus::PatternLayout\n"
        "log4cplus.appender.F.layout.ConversionPattern=%p|%m|%b|%L|%M%n\n");
  }
};

}  // namespace

TEST_F(LogTest, AnOperationLeftByAnExceptionStillLogsItsExit) {
  EXPECT_THROW(FailingOperation(), std::runtime_error);
  const std::string text = logText();
  EXPECT_NE(text.find("TRACE|ENTER: CTest::FailingOperation()|"), std::string::npos) << text;
  EXPECT_NE(text.find("TRACE|EXIT:  CTest::FailingOperation()|"), std::string::npos) << text;
}

TEST_F(LogTest, LinesCarryFileLineAndFunctionSignature) {
  const int line = __LINE__ + 1;
  TC_LOGF(TC_LOG_WARN, "%s wechat id: %s.", "CMainFrameWnd", "wxid_1");
  TC_LOG(TC_LOG_ERROR, "streamed " << 42);
  const std::string text = logText();
  EXPECT_NE(
      text.find("WARN|CMainFrameWnd wechat id: wxid_1.|log_test.cpp|" + std::to_string(line) +
                "|virtual void LogTest_LinesCarryFileLineAndFunctionSignature_Test::TestBody()"),
      std::string::npos)
      << text;
  EXPECT_NE(text.find("ERROR|streamed 42|"), std::string::npos) << text;
}

TEST_F(LogTest, DisabledLevelsAreNotEvaluatedOrWritten) {
  log4cplus::Logger::getRoot().setLogLevel(log4cplus::INFO_LOG_LEVEL);
  int evaluated = 0;
  auto count = [&] { return ++evaluated; };
  TC_LOG(TC_LOG_DEBUG, "hidden " << count());
  EXPECT_EQ(evaluated, 0);
  { TC_TRACE("CTest::Quiet()"); }
  EXPECT_EQ(logText().find("Quiet"), std::string::npos);
}

TEST(LogSetupBroken, ABrokenConfigurationNeverStopsStartUp) {
  TempDir program, roaming;
  ScopedEnv config("XDG_CONFIG_HOME", roaming.path());
  SetProgramFolder(program.folder());
  std::filesystem::create_directories(roaming.file("orvo2"));
  WriteText(program.file("log.cfg"),
            "log4cplus.rootLogger=NOSUCHLEVEL, X\nlog4cplus.appender.X=no::Such\n\x01\x02");
  EXPECT_NO_THROW(InitLog());
  EXPECT_NO_THROW(TC_LOG(TC_LOG_INFO, "still fine"));
  log4cplus::Logger::getDefaultHierarchy().resetConfiguration();
  SetProgramFolder("");
}
