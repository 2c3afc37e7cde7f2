// Instance keys and the file names of account pictures: a picture's name comes from the
// account's own files and must stay a plain name inside Faces/.
#include "mainframe/MainFrameWnd.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>

namespace {

const std::regex kKeyForm("[0-9A-F]{8}-[0-9A-F]{4}-[0-9a-f]{4}-[0-9A-F]{4}-[0-9A-F]{12}");

// True when the name, joined to a folder, names a file directly inside that folder.
bool StaysInFolder(const std::string& name) {
  const std::filesystem::path folder = "/home/u/Faces";
  const std::filesystem::path joined = (folder / name).lexically_normal();
  return !name.empty() && joined.parent_path() == folder && joined.filename() == name;
}

TEST(InstanceKey, HasTheGuidTextFormWithALowerCaseThirdGroup) {
  std::set<std::string> keys;
  for (int i = 0; i < 200; ++i) {
    const std::string key = CMainFrameWnd::MakeInstanceKey();
    EXPECT_TRUE(std::regex_match(key, kKeyForm)) << key;
    keys.insert(key);
  }
  EXPECT_EQ(keys.size(), 200u) << "keys repeat";
}

TEST(FaceFileName, IsTheKeySlotAndIdWhenTheyArePlain) {
  EXPECT_EQ(CMainFrameWnd::MakeFaceFileName("916047d22954c6d4e7ba528ca9771596", "wxid_a"),
            "916047d22954c6d4e7ba528ca9771596wxid_a");
  EXPECT_EQ(CMainFrameWnd::MakeFaceFileName("", "wxid_a"), "wxid_a");
  EXPECT_EQ(CMainFrameWnd::MakeFaceFileName("abc", ""), "abc");
}

TEST(FaceFileName, BothEmptyGivesAFreshKey) {
  const std::string name = CMainFrameWnd::MakeFaceFileName("", "");
  EXPECT_TRUE(std::regex_match(name, kKeyForm)) << name;
  EXPECT_NE(name, CMainFrameWnd::MakeFaceFileName("", ""));
}

TEST(FaceFileName, NeverLeavesTheFolder) {
  const struct {
    const char* key40;
    const char* id;
  } kCases[] = {
      {"..", ""},
      {".", ""},
      {"", ".."},
      {".", "."},
      {"../../etc/", "passwd"},
      {"", "../x"},
      {"a/b", "c"},
      {"..\\..\\x", ""},
      {"/abs", "olute"},
      {"x", "/"},
      {"...", ""},
      {"....", "//"},
      {"a\nb", "c\rd"},
      {"tab\there", "\x7f"},
      {"\x01\x1f", "ok"},
      {"wxid", "..hidden"},
  };
  for (const auto& c : kCases) {
    const std::string name = CMainFrameWnd::MakeFaceFileName(c.key40, c.id);
    SCOPED_TRACE(std::string("key40 \"") + c.key40 + "\", id \"" + c.id + "\" -> " + name);
    EXPECT_TRUE(StaysInFolder(name));
    EXPECT_EQ(name.find('/'), std::string::npos);
    EXPECT_EQ(name.find('\\'), std::string::npos);
    EXPECT_EQ(name.find(".."), std::string::npos);
    EXPECT_NE(name, ".");
    for (char ch : name) {
      const auto byte = static_cast<unsigned char>(ch);
      EXPECT_TRUE(byte >= 0x20 && byte != 0x7F) << "control byte " << int{byte};
    }
  }
}

TEST(FaceFileName, KeepsUtf8Ids) {
  // Bytes above 0x7F are UTF-8, not control bytes: a Chinese id stays readable.
  EXPECT_EQ(CMainFrameWnd::MakeFaceFileName("", "客服"), "客服");
}

}  // namespace
