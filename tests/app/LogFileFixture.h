// A log configured from a log.cfg in a temporary program folder, writing to test.log in a
// temporary per-user folder: what the log tests read back. The configuration is reset after
// each test.
#pragma once

#include "app/LogSetup.h"
#include "app/Settings.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <log4cplus/hierarchy.h>

#include <filesystem>
#include <string>

class CLogFileFixture : public ::testing::Test {
 protected:
  // Writes config as the program's log.cfg and sets the log up from it.
  void ConfigureLog(const std::string& config) {
    SetProgramFolder(program_.folder());
    std::filesystem::create_directories(roaming_.file("orvo2"));
    testing_support::WriteText(program_.file("log.cfg"), config);
    InitLog();
  }
  void TearDown() override {
    log4cplus::Logger::getDefaultHierarchy().resetConfiguration();
    SetProgramFolder("");
  }
  std::string logText() const { return testing_support::ReadText(roaming_.file("orvo2/test.log")); }

  testing_support::TempDir program_;
  testing_support::TempDir roaming_;
  testing_support::ScopedEnv config_{"XDG_CONFIG_HOME", roaming_.path()};
};
