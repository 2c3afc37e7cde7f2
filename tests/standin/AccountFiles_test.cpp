// The stand-in's account files, read back by the rules the workbench reads them with:
// hex text, "1A" records, the first record skipped, short and address shapes.
#include "standin/AccountFiles.h"
#include "standin/StandinOptions.h"
#include "standin/Transcript.h"
#include "platform/win32/Registry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char b : bytes) hex += {digits[b >> 4], digits[b & 15]};
  return hex;
}

std::string Unhex(const std::string& hex) {
  auto value = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 0;
  };
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(value(hex[i]) * 16 + value(hex[i + 1]));
  return bytes;
}

// The profile reading: tag -> value, short tags "08KK12", address tags "0108KK12".
std::map<std::string, std::string> ReadProfile(const std::string& bytes, bool skipFirst) {
  const std::string hex = Hex(bytes);
  std::map<std::string, std::string> values;
  std::size_t at = hex.find("1A");
  if (skipFirst && at != std::string::npos) at = hex.find("1A", at + 1);
  while (at != std::string::npos && at + 6 <= hex.size()) {
    const int length = std::stoi(hex.substr(at + 2, 2), nullptr, 16);
    std::size_t next = at + 1;
    if (hex.compare(at + 4, 2, "08") == 0) {
      const std::string tag = hex.substr(at + 4, 6);
      const int chars = 2 * length - 8;
      values[tag] = chars > 0 ? Unhex(hex.substr(at + 12, chars)) : "";
      next = at + 12 + std::max(chars, 0);
    } else if (hex.compare(at + 4, 2, "01") == 0) {
      const std::string tag = hex.substr(at + 4, 8);
      const std::string area = hex.substr(at + 12, 2 * length - 6);
      const std::size_t http = area.find("687474703A2F2F");
      if (area.size() > 14 && http != std::string::npos) {
        values[tag] = Unhex(area.substr(http));
        next = at + 12 + area.size();
      }
    }
    at = hex.find("1A", next);
  }
  return values;
}

TEST(AccountFiles, ProfileReadsBackByTheTagLayout) {
  standin::TAccount account{"wxid_abc", "张三😀", "0123456789abcdef0123456789abcdef",
                            "http://127.0.0.1:8080/a.png", "http://127.0.0.1/b.jpg"};
  const auto values = ReadProfile(standin::BuildAccInfo(account), true);
  EXPECT_EQ(values.at("080412"), "wxid_abc");
  EXPECT_EQ(values.at("080A12"), "张三😀");
  EXPECT_EQ(values.at("084012"), account.strKey40);
  EXPECT_EQ(values.at("01086612"), account.strAvatar);
  EXPECT_EQ(values.at("01086A12"), account.strAvatar2);
  EXPECT_EQ(values.count("080112"), 0u);  // the header record is skipped
}

TEST(AccountFiles, RecordBytesMatchTheLayout) {
  EXPECT_EQ(standin::ShortRecord(0x04, "ABC"), std::string("\x1A\x07\x08\x04\x12\x03"
                                                           "ABC",
                                                           9));
  EXPECT_EQ(standin::ShortRecord(0x0A, ""), std::string("\x1A\x04\x08\x0A\x12\x00", 6));
  const std::string address = standin::AddressRecord(0x66, "http://x");
  EXPECT_EQ(address.substr(0, 6), std::string("\x1A\x0D\x01\x08\x66\x12", 6));
  EXPECT_EQ(address.size(), 2u + 0x0D + 1);
  // Values too long for one length byte are cut, never wrapped.
  const std::string longValue(400, 'n');
  EXPECT_EQ(static_cast<unsigned char>(standin::ShortRecord(0x0A, longValue)[1]), 255);
  const auto values =
      ReadProfile(standin::ShortRecord(0x01, "") + standin::ShortRecord(0x0A, longValue), true);
  EXPECT_EQ(values.at("080A12"), std::string(251, 'n'));
  const std::string longUrl = "http://" + std::string(400, 'u');
  const std::string record = standin::AddressRecord(0x66, longUrl);
  EXPECT_LE(static_cast<unsigned char>(record[1]), 255);
  EXPECT_EQ(ReadProfile(standin::ShortRecord(0x01, "") + record, true).at("01086612"),
            longUrl.substr(0, 250));
}

TEST(AccountFiles, ConfigDataNamesTheLastAccount) {
  testing_support::TempDir dir;
  standin::TAccount first{"wxid_1", "one", "k1", "", ""};
  standin::TAccount second{"wxid_2", "two", "k2", "", ""};
  const std::string firstPath = standin::WriteAccountFiles(dir.path(), first);
  const std::string secondPath = standin::WriteAccountFiles(dir.path(), second);
  ASSERT_FALSE(secondPath.empty());
  EXPECT_EQ(secondPath, dir.path() + "/WeChat Files/wxid_2/config/AccInfo.dat");
  const std::string config =
      testing_support::ReadText(dir.path() + "/WeChat Files/All Users/config/config.data");
  EXPECT_EQ(ReadProfile(config, false).at("083212"), secondPath);
  EXPECT_EQ(ReadProfile(testing_support::ReadText(firstPath), true).at("080A12"), "one");
}

TEST(AccountFiles, StrangeAccountIdsStayInsideTheDataFolder) {
  testing_support::TempDir dir;
  for (const std::string id : {"../../escape", "..", "a/b\\c"}) {
    const std::string path =
        standin::WriteAccountFiles(dir.path() + "/root", standin::TAccount{id, "n", "k", "", ""});
    ASSERT_FALSE(path.empty()) << id;
    EXPECT_EQ(path.rfind(dir.path() + "/root/WeChat Files/", 0), 0u) << path;
    EXPECT_EQ(path.find("/../"), std::string::npos) << path;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/escape"));
}

TEST(AccountFiles, DataRootIsRegistered) {
  testing_support::TempDir dir;
  setenv("TC_HKCU_FILE", dir.file("hkcu.ini").c_str(), 1);
  ASSERT_TRUE(standin::RegisterDataRoot("/data/root with space"));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Tencent\\WeChat", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  char value[260] = {};
  DWORD size = sizeof value;
  DWORD type = 0;
  ASSERT_EQ(
      RegQueryValueExA(key, "FileSavePath", nullptr, &type, reinterpret_cast<LPBYTE>(value), &size),
      ERROR_SUCCESS);
  EXPECT_STREQ(value, "/data/root with space");
  RegCloseKey(key);
  unsetenv("TC_HKCU_FILE");
}

TEST(AccountFiles, ProgramIsInstalledAsTheClientInQuotes) {
  testing_support::TempDir dir;
  setenv("TC_HKLM_FILE", dir.file("hklm.ini").c_str(), 1);
  ASSERT_TRUE(standin::RegisterAsClient("/opt/tandem chats/standin"));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WeChat", 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  char value[260] = {};
  DWORD size = sizeof value;
  ASSERT_EQ(RegQueryValueExA(key, "DisplayIcon", nullptr, nullptr, reinterpret_cast<LPBYTE>(value),
                             &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(value, "\"/opt/tandem chats/standin\"");
  RegCloseKey(key);
  unsetenv("TC_HKLM_FILE");
}

class StandinOptionsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const char* name :
         {"TC_STANDIN_ACCOUNT", "TC_STANDIN_LOGIN_DELAY", "TC_STANDIN_TRANSCRIPT",
          "TC_STANDIN_ACCOUNTS", "TC_STANDIN_MAIN_SIZE", "TC_STANDIN_DATA_ROOT",
          "TC_STANDIN_PASTE_DELAY", "TC_STANDIN_STALL_MAX"})
      unsetenv(name);
  }
  bool Parse(std::vector<std::string> args, standin::TStandinOptions& options, std::string& error) {
    std::vector<char*> argv{const_cast<char*>("standin")};
    for (std::string& arg : args) argv.push_back(arg.data());
    return standin::ParseOptions(static_cast<int>(argv.size()), argv.data(), options, error);
  }
};

TEST_F(StandinOptionsTest, EnvironmentThenCommandLine) {
  setenv("TC_STANDIN_ACCOUNT", "wxid_env", 1);
  setenv("TC_STANDIN_LOGIN_DELAY", "250", 1);
  setenv("TC_STANDIN_TRANSCRIPT", "/tmp/t-%p.jsonl", 1);
  setenv("TC_STANDIN_DATA_ROOT", "/tmp/root", 1);
  standin::TStandinOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"--nickname", "Nick", "--login-size", "320x480"}, options, error)) << error;
  EXPECT_EQ(options.strAccount, "wxid_env");
  EXPECT_EQ(options.strNickname, "Nick");
  EXPECT_EQ(options.nLoginDelayMs, 250);
  EXPECT_EQ(options.nLoginWidth, 320);
  EXPECT_EQ(options.nLoginHeight, 480);
  EXPECT_EQ(options.strTranscript, "/tmp/t-" + std::to_string(getpid()) + ".jsonl");
  EXPECT_EQ(options.strKey40.size(), 32u);
  ASSERT_TRUE(Parse({"--account", "wxid_arg"}, options = {}, error));
  EXPECT_EQ(options.strAccount, "wxid_arg");
}

TEST_F(StandinOptionsTest, DefaultsNameTheProcess) {
  setenv("TC_STANDIN_DATA_ROOT", "/tmp/root", 1);
  standin::TStandinOptions options;
  std::string error;
  ASSERT_TRUE(Parse({}, options, error));
  EXPECT_EQ(options.strAccount, "wxid_standin_" + std::to_string(getpid()));
  EXPECT_EQ(options.nLoginDelayMs, -1);
  EXPECT_TRUE(options.bRegister);
}

// A slow or busy client: a paste fetched late, stalls of the event loop, a slow login.
TEST_F(StandinOptionsTest, ASlowClientFromTheEnvironmentAndTheCommandLine) {
  setenv("TC_STANDIN_PASTE_DELAY", "150", 1);
  setenv("TC_STANDIN_STALL_MAX", "250", 1);
  standin::TStandinOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"--stall-max", "300", "--login-time", "500"}, options, error)) << error;
  EXPECT_EQ(options.nPasteDelayMs, 150);
  EXPECT_EQ(options.nStallMaxMs, 300);  // the command line wins
  EXPECT_EQ(options.nLoginTimeMs, 500);
  EXPECT_FALSE(Parse({"--paste-delay", "soon"}, options, error));
  EXPECT_NE(error.find("--paste-delay"), std::string::npos);
  EXPECT_FALSE(Parse({"--stall-max", "-5"}, options, error));
  EXPECT_FALSE(Parse({"--login-time"}, options, error));
}

TEST_F(StandinOptionsTest, BadValuesAreRefused) {
  standin::TStandinOptions options;
  std::string error;
  EXPECT_FALSE(Parse({"--login-delay", "soon"}, options, error));
  EXPECT_NE(error.find("--login-delay"), std::string::npos);
  EXPECT_FALSE(Parse({"--main-size", "10x10"}, options, error));
  EXPECT_FALSE(Parse({"--bogus"}, options, error));
  EXPECT_FALSE(Parse({"--account"}, options, error));
  setenv("TC_STANDIN_MAIN_SIZE", "wide", 1);
  EXPECT_FALSE(Parse({}, options, error));
  EXPECT_NE(error.find("TC_STANDIN_MAIN_SIZE"), std::string::npos);
}

TEST_F(StandinOptionsTest, AccountsFileHandsOutOneLinePerCopy) {
  testing_support::TempDir dir;
  testing_support::WriteText(dir.file("accounts.txt"),
                             "wxid_a\tAlice\thttp://127.0.0.1/a.png\nwxid_b\tBob\n");
  setenv("TC_STANDIN_ACCOUNTS", dir.file("accounts.txt").c_str(), 1);
  setenv("TC_STANDIN_DATA_ROOT", "/tmp/root", 1);
  std::vector<std::string> taken;
  for (int i = 0; i < 3; ++i) {
    standin::TStandinOptions options;
    std::string error;
    ASSERT_TRUE(Parse({}, options, error));
    taken.push_back(options.strAccount + "/" + options.strNickname + "/" + options.strAvatar);
  }
  EXPECT_EQ(taken[0], "wxid_a/Alice/http://127.0.0.1/a.png");
  EXPECT_EQ(taken[1], "wxid_b/Bob/");
  EXPECT_EQ(taken[2], taken[0]);  // the list starts over
}

TEST(Transcript, LinesAreCompactJsonWithSortedKeys) {
  std::vector<standin::TSentItem> items{{"text", "你好\n\"x\"", 0, 0, ""},
                                        {"image", "", 4, 3, "ab12"}};
  EXPECT_EQ(
      standin::CTranscript::Line("wxid_1", 42, 1, items),
      "{\"account\":\"wxid_1\",\"items\":[{\"text\":\"你好\\n\\\"x\\\"\",\"type\":\"text\"},"
      "{\"height\":3,\"sha256\":\"ab12\",\"type\":\"image\",\"width\":4}],\"pid\":42,\"seq\":1}");
  testing_support::TempDir dir;
  standin::CTranscript transcript(dir.file("t.jsonl"), "wxid_1", 42);
  ASSERT_TRUE(transcript.Append(items));
  ASSERT_TRUE(transcript.Append({}));
  const std::string text = testing_support::ReadText(dir.file("t.jsonl"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
  EXPECT_NE(text.find("\"seq\":2"), std::string::npos);
  standin::CTranscript broken(dir.file("missing/folder/t.jsonl"), "x", 1);
  EXPECT_FALSE(broken.Append(items));
}

}  // namespace
