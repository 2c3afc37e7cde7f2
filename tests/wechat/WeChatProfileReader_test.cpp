#include "wechat/WeChatProfileReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

using Reader = CWeChatProfileReader;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

// A short-shape entry: 1A L 08 KK 12 len value, with L = 4 + value length.
std::string ShortEntry(int key, const std::string& value) {
  return Bytes({0x1A, static_cast<int>(value.size() + 4), 0x08, key, 0x12,
                static_cast<int>(value.size())}) +
         value;
}

// A long-shape entry as the client writes it, with a two-byte length (varint L, 01):
// 1A L 01 08 KK 12 filler value, where L counts the bytes from 08 on.
std::string LongEntry(int key, const std::string& filler, const std::string& value) {
  return Bytes({0x1A, static_cast<int>(filler.size() + value.size() + 3), 0x01, 0x08, key, 0x12}) +
         filler + value;
}

// A leading entry that the reader skips.
const std::string kHeader = ShortEntry(0x02, "hd");

WECHATCFGDATA Parse(const std::string& bytes) {
  return Reader::ParseAccountInfo(Reader::ToHexText(bytes));
}

TEST(HexText, RoundTripsEveryByte) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  std::string hex = Reader::ToHexText(all);
  EXPECT_EQ(hex.size(), 512u);
  EXPECT_EQ(hex.substr(0, 6), "000102");
  EXPECT_EQ(hex.substr(508), "FEFF");
  EXPECT_EQ(Reader::FromHexText(hex), all);
}

TEST(HexText, LowercaseAndOtherCharactersCountAsZeroAndOddTailIsDropped) {
  EXPECT_EQ(Reader::FromHexText("4a"), Bytes({0x40}));
  EXPECT_EQ(Reader::FromHexText("G1"), Bytes({0x01}));
  EXPECT_EQ(Reader::FromHexText("414"), "A");
  EXPECT_EQ(Reader::FromHexText(""), "");
}

TEST(ProfileParse, TheFirstEntryIsSkipped) {
  WECHATCFGDATA profile = Parse(ShortEntry(0x04, "first") + ShortEntry(0x0A, "nick"));
  EXPECT_EQ(profile.strWeChatId, "");
  EXPECT_EQ(profile.strNickname, "nick");
}

TEST(ProfileParse, ShortEntryGivesTheValue) {
  WECHATCFGDATA profile =
      Parse(kHeader + Bytes({0x1A, 0x07, 0x08, 0x04, 0x12, 0x03, 0x41, 0x42, 0x43}));
  EXPECT_EQ(profile.strWeChatId, "ABC");
}

TEST(ProfileParse, LengthFourStoresAnEmptyValue) {
  WECHATCFGDATA profile =
      Parse(kHeader + ShortEntry(0x0A, "old") + Bytes({0x1A, 0x04, 0x08, 0x0A, 0x12, 0x00}));
  EXPECT_EQ(profile.strNickname, "");
}

TEST(ProfileParse, EveryShortTagFillsItsSlot) {
  const int keys[] = {0x04, 0x0A, 0x30, 0x32, 0x4A, 0x34, 0x40, 0x66, 0x48, -1, -1, 0x46, -1, 0x10};
  std::string bytes = kHeader;
  for (int slot = 0; slot < WECHATCFGDATA::kSlotCount; ++slot)
    if (keys[slot] >= 0) bytes += ShortEntry(keys[slot], "v" + std::to_string(slot));
  WECHATCFGDATA profile = Parse(bytes);
  for (int slot = 0; slot < WECHATCFGDATA::kSlotCount; ++slot)
    EXPECT_EQ(profile.Slot(slot), keys[slot] >= 0 ? "v" + std::to_string(slot) : "")
        << "slot " << slot;
}

TEST(ProfileParse, LongShapeKeepsOnlyTheAddressFromHttp) {
  WECHATCFGDATA profile =
      Parse(kHeader + LongEntry(0x6A, Bytes({0x05, 0x22, 0x10, 0x01}), "http://img.example/a.jpg"));
  EXPECT_EQ(profile.strFace2, "http://img.example/a.jpg");
}

TEST(ProfileParse, EveryLongTagFillsItsFace) {
  std::string bytes = kHeader + LongEntry(0x66, "x", "http://f1") +
                      LongEntry(0x6A, "", "http://f2") + LongEntry(0x6C, "yy", "http://f3") +
                      LongEntry(0x68, "z", "http://f4");
  WECHATCFGDATA profile = Parse(bytes);
  EXPECT_EQ(profile.strFace1, "http://f1");
  EXPECT_EQ(profile.strFace2, "http://f2");
  EXPECT_EQ(profile.strFace3, "http://f3");
  EXPECT_EQ(profile.strFace4, "http://f4");
  EXPECT_EQ(profile.GetFace(), "http://f1");
}

TEST(ProfileParse, LongEntryWithoutAddressOrTooShortTakesNothing) {
  EXPECT_EQ(Parse(kHeader + LongEntry(0x6A, "no address here at all", "")).strFace2, "");
  EXPECT_EQ(Parse(kHeader + LongEntry(0x6A, "", "http:/")).strFace2, "");
  // The area must hold more than the seven bytes of "http://".
  EXPECT_EQ(Parse(kHeader + LongEntry(0x6A, "", "http://")).strFace2, "");
  EXPECT_EQ(Parse(kHeader + LongEntry(0x6A, "", "http://a")).strFace2, "http://a");
}

TEST(ProfileParse, UnknownTagsAndShapesAreSkipped) {
  std::string bytes = kHeader + ShortEntry(0x77, "zz") + Bytes({0x1A, 0x05, 0x03, 0x01, 0x02}) +
                      LongEntry(0x99, "", "http://nope") + ShortEntry(0x0A, "nick");
  WECHATCFGDATA profile = Parse(bytes);
  EXPECT_EQ(profile.strNickname, "nick");
  EXPECT_EQ(profile.GetFace(), "");
}

TEST(ProfileParse, ALaterValueReplacesAnEarlierOne) {
  WECHATCFGDATA profile = Parse(kHeader + ShortEntry(0x04, "one") + ShortEntry(0x04, "two"));
  EXPECT_EQ(profile.strWeChatId, "two");
}

TEST(ProfileParse, TruncatedAndGarbageInputNeverFails) {
  std::string entry = kHeader + ShortEntry(0x0A, "nickname");
  for (size_t cut = 0; cut <= entry.size(); ++cut) Parse(entry.substr(0, cut));
  EXPECT_EQ(Parse(kHeader + Bytes({0x1A, 0xFF, 0x08, 0x0A, 0x12, 0x05, 'a', 'b'})).strNickname,
            "ab");
  EXPECT_EQ(Reader::ParseAccountInfo("1A").strWeChatId, "");
  EXPECT_EQ(Reader::ParseAccountInfo("zz1A1A1A1A").strWeChatId, "");
}

TEST(ProfileParse, Utf8ValuesComeBackAsTheirBytes) {
  WECHATCFGDATA profile = Parse(kHeader + ShortEntry(0x0A, "客服小王😀"));
  EXPECT_EQ(profile.strNickname, "客服小王😀");
}

TEST(LoginPath, FirstEntryCountsAndTheTaggedValueIsTheAnswer) {
  std::string bytes =
      ShortEntry(0x32, "/data/wxid_a/config/AccInfo.dat") + ShortEntry(0x32, "/other");
  EXPECT_EQ(Reader::ParseLoginPath(Reader::ToHexText(bytes)), "/data/wxid_a/config/AccInfo.dat");
}

TEST(LoginPath, OtherEntriesAreSkippedAndNoTagGivesEmpty) {
  std::string bytes =
      ShortEntry(0x04, "id") + LongEntry(0x32, "", "http://x") + ShortEntry(0x32, "/p");
  EXPECT_EQ(Reader::ParseLoginPath(Reader::ToHexText(bytes)), "/p");
  EXPECT_EQ(Reader::ParseLoginPath(Reader::ToHexText(ShortEntry(0x04, "id"))), "");
  EXPECT_EQ(Reader::ParseLoginPath(""), "");
}

class ProfileFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("wechat_profile_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::filesystem::path dir_;
};

TEST_F(ProfileFile, ReadsAFileAsHexText) {
  std::string hex;
  EXPECT_TRUE(Reader::ReadFileAsHexText(Write("a.dat", Bytes({0x00, 0x1A, 0xFF})), hex));
  EXPECT_EQ(hex, "001AFF");
}

TEST_F(ProfileFile, EmptyPathMissingOrEmptyFileFails) {
  std::string hex = "stale";
  EXPECT_FALSE(Reader::ReadFileAsHexText("", hex));
  EXPECT_EQ(hex, "");
  EXPECT_FALSE(Reader::ReadFileAsHexText((dir_ / "missing").string(), hex));
  EXPECT_FALSE(Reader::ReadFileAsHexText(Write("empty", ""), hex));
  EXPECT_FALSE(Reader::ReadFileAsHexText(dir_.string(), hex));  // a folder
  EXPECT_EQ(Reader::ReadProfile((dir_ / "missing").string()).strWeChatId, "");
}

TEST_F(ProfileFile, ReadsTheProfileOfAnAccountFile) {
  std::string path =
      Write("AccInfo.dat", kHeader + ShortEntry(0x04, "wxid_1") + ShortEntry(0x0A, "Nick"));
  WECHATCFGDATA profile = Reader::ReadProfile(path);
  EXPECT_EQ(profile.strWeChatId, "wxid_1");
  EXPECT_EQ(profile.strNickname, "Nick");
}

TEST(SafeFileName, NothingLeavesTheFolder) {
  EXPECT_EQ(Reader::SafeFileName("abc123wxid_x"), "abc123wxid_x");
  EXPECT_EQ(Reader::SafeFileName("../../etc/passwd"), "etcpasswd");
  EXPECT_EQ(Reader::SafeFileName(".."), "");
  EXPECT_EQ(Reader::SafeFileName("."), "");
  EXPECT_EQ(Reader::SafeFileName("..\\..\\x"), "x");
  EXPECT_EQ(Reader::SafeFileName(std::string("a\0b\n/c", 6)), "abc");
  EXPECT_EQ(Reader::SafeFileName("客服.png"), "客服.png");
  for (const char* raw : {"/", "....//", "./.", "a/../b"}) {
    std::string name = Reader::SafeFileName(raw);
    EXPECT_EQ(name.find('/'), std::string::npos) << raw;
    EXPECT_NE(name, "..") << raw;
    EXPECT_NE(name, ".") << raw;
  }
}

TEST(SafeFileName, TheFaceFileNameJoinsKey40AndTheIdInsideItsFolder) {
  WECHATCFGDATA profile;
  profile.strKey40 = "0123abcd";
  profile.strWeChatId = "wxid_1";
  EXPECT_EQ(Reader::FaceFileName(profile), "0123abcdwxid_1");
  profile.strKey40 = "../../..";
  profile.strWeChatId = "/.bashrc";
  EXPECT_EQ(Reader::FaceFileName(profile), ".bashrc");
  profile.strKey40 = "..";
  profile.strWeChatId = "/";
  EXPECT_EQ(Reader::FaceFileName(profile), "");
}

}  // namespace
