#include "app/LogSetup.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "platform/win32/Files.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

using testing_support::ReadText;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WriteText;

namespace {

// A program folder and a roaming folder of their own for each test.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(program_.path());
    SetProgramFolder(program_.folder());
  }
  void TearDown() override { SetProgramFolder(""); }

  std::string userFolder() const { return roaming_.file("orvo2/"); }
  unsigned modeOf(const std::string& path) const {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0u;
  }

  TempDir program_;
  TempDir roaming_;
  ScopedEnv config_{"XDG_CONFIG_HOME", roaming_.path()};
};

}  // namespace

TEST_F(SettingsTest, ReadsSysCfgFromTheProgramFolder) {
  WriteText(program_.file("sys.cfg"), "[SYSTEM]\nWebServer=http://127.0.0.1:1/\nVERSION=2.3.4\n");
  EXPECT_EQ(GetWebServer().str(), "http://127.0.0.1:1/");
  EXPECT_EQ(GetVersion(), "2.3.4");
  WriteText(program_.file("sys.cfg"), "[SYSTEM]\nVERSION=2.3.5\n");
  EXPECT_EQ(GetVersion(), "2.3.5") << "no value is cached";
  EXPECT_EQ(GetWebServer().str(), "");
}

TEST_F(SettingsTest, AutoPlayIsOnOnlyForAPositiveInteger) {
  const std::pair<const char*, bool> cases[] = {{"0", false},  {"", false}, {"word", false},
                                                {"-3", false}, {"1", true}, {"7", true},
                                                {"7abc", true}};
  EXPECT_FALSE(IsRememberPassword()) << "no user.dat at all";
  for (const auto& [value, on] : cases) {
    WriteText(program_.file("user.dat"), std::string("[OPTION]\nAutoPlay=") + value + "\n");
    EXPECT_EQ(IsRememberPassword(), on) << "AutoPlay=" << value;
  }
}

TEST_F(SettingsTest, FirstRunMakesAPrivateFolderAndSeedsUserDat) {
  WriteText(program_.file("user.dat"),
            "[LOGIN]\nLastUser=13800000000\nUserPwd=secret\n[OPTION]\nAutoPlay=1\n");
  ASSERT_FALSE(PathFileExistsA(userFolder().c_str()));
  ASSERT_TRUE(PrepareFolders());
  EXPECT_EQ(modeOf(userFolder()), 0700u);
  EXPECT_EQ(modeOf(userFolder() + "user.dat"), 0600u);
  EXPECT_EQ(GetLastUser().str(), "13800000000");
  EXPECT_EQ(GetUserPwd().str(), "secret");
}

TEST_F(SettingsTest, AnExistingPerUserCopyIsNeverOverwritten) {
  std::filesystem::create_directories(userFolder());
  WriteText(userFolder() + "user.dat", "[LOGIN]\nLastUser=mine\n");
  WriteText(program_.file("user.dat"), "[LOGIN]\nLastUser=seed\n");
  ASSERT_TRUE(PrepareFolders());
  EXPECT_EQ(GetLastUser().str(), "mine");
  EXPECT_EQ(modeOf(userFolder()), 0700u) << "an existing folder is made private too";
}

TEST_F(SettingsTest, FirstRunWithoutASeedStartsEmptyAndWritesAPrivateFile) {
  ASSERT_TRUE(PrepareFolders());
  EXPECT_FALSE(PathFileExistsA((userFolder() + "user.dat").c_str()));
  EXPECT_EQ(GetLastUser().str(), "");
  SetLastUser("13900000000");
  SetUserPwd("p@ss word=1");
  EXPECT_EQ(GetLastUser().str(), "13900000000");
  EXPECT_EQ(GetUserPwd().str(), "p@ss word=1");
  EXPECT_EQ(modeOf(userFolder() + "user.dat"), 0600u);
}

TEST_F(SettingsTest, UserDataPathIsFormedWithoutCreatingAnything) {
  EXPECT_EQ(GetUserDataPath().str(), userFolder());
  EXPECT_FALSE(PathFileExistsA(userFolder().c_str()));
  EXPECT_EQ(GetUserDataFolder().str(), userFolder());
  EXPECT_TRUE(PathFileExistsA(userFolder().c_str()));
}

TEST_F(SettingsTest, AMissingRoamingFolderIsCreatedToo) {
  ScopedEnv fresh("XDG_CONFIG_HOME", roaming_.file("not/yet"));
  EXPECT_EQ(GetUserDataFolder().str(), roaming_.file("not/yet/orvo2/"));
  EXPECT_EQ(modeOf(roaming_.file("not/yet/orvo2/")), 0700u);
}

TEST_F(SettingsTest, UserDataFolderIsEmptyWhenItCannotBeCreated) {
  ScopedEnv blocked("XDG_CONFIG_HOME", program_.file("file-not-folder"));
  WriteText(program_.file("file-not-folder"), "x");
  EXPECT_EQ(GetUserDataFolder().str(), "");
}

TEST_F(SettingsTest, LogConfigIsMadeOnceFromTheTemplateWithEveryDotSlashReplaced) {
  WriteText(program_.file("log.cfg"), "a.File=./one.log\nb.File=./sub/two.log\nc=x\n");
  ASSERT_TRUE(PrepareFolders());
  const std::string path = GetLogConfigPath().str();
  EXPECT_EQ(path, userFolder() + "log.cfg");
  EXPECT_EQ(ReadText(path),
            "a.File=" + userFolder() + "one.log\nb.File=" + userFolder() + "sub/two.log\nc=x\n");
  WriteText(program_.file("log.cfg"), "changed=./x\n");
  EXPECT_EQ(GetLogConfigPath().str(), path);
  EXPECT_EQ(ReadText(path).find("changed"), std::string::npos) << "a later start leaves it alone";
}

TEST_F(SettingsTest, MissingLogTemplateLeavesNoFile) {
  ASSERT_TRUE(PrepareFolders());
  EXPECT_FALSE(PathFileExistsA(GetLogConfigPath().GetData()));
}
