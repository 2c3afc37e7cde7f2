#include "platform/win32/Profile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using testing_support::ReadText;
using testing_support::TempDir;
using testing_support::WriteText;

namespace {

std::string Read(const std::string& file, const char* section, const char* key,
                 const char* def = "", DWORD size = 260) {
  std::vector<char> buffer(size + 1, '#');
  GetPrivateProfileStringA(section, key, def, buffer.data(), size, file.c_str());
  return buffer.data();
}

}  // namespace

TEST(ProfileRead, FindsSectionsAndKeysWithoutRegardToCase) {
  TempDir dir;
  WriteText(dir.file("a.ini"), "; comment\n[System]\nWebServer = http://x/ \n\n[other]\nkey=1\n");
  EXPECT_EQ(Read(dir.file("a.ini"), "SYSTEM", "webserver"), "http://x/");
  EXPECT_EQ(Read(dir.file("a.ini"), "OTHER", "KEY"), "1");
}

TEST(ProfileRead, GivesTheDefaultForMissingFileSectionOrKey) {
  TempDir dir;
  WriteText(dir.file("a.ini"), "[s]\nk=v\n");
  EXPECT_EQ(Read(dir.file("missing.ini"), "s", "k", "dflt"), "dflt");
  EXPECT_EQ(Read(dir.file("a.ini"), "nosection", "k", "dflt"), "dflt");
  EXPECT_EQ(Read(dir.file("a.ini"), "s", "nokey", "dflt"), "dflt");
  EXPECT_EQ(Read(dir.file("a.ini"), "s", "nokey", nullptr), "");
}

TEST(ProfileRead, CutsALongValueToTheBufferLessOne) {
  TempDir dir;
  const std::string value(400, 'x');
  WriteText(dir.file("a.ini"), "[s]\nk=" + value + "\n");
  char buffer[260];
  const DWORD n =
      GetPrivateProfileStringA("s", "k", "", buffer, sizeof buffer, dir.file("a.ini").c_str());
  EXPECT_EQ(n, 259u);
  EXPECT_EQ(std::string(buffer), std::string(259, 'x'));
}

TEST(ProfileRead, HandlesCrLfBomQuotesAndUtf8) {
  TempDir dir;
  WriteText(dir.file("a.ini"), "\xEF\xBB\xBF[s]\r\nname=\"  快捷语 😀 \"\r\nplain=a=b\r\n");
  EXPECT_EQ(Read(dir.file("a.ini"), "s", "name"), "  快捷语 😀 ");
  EXPECT_EQ(Read(dir.file("a.ini"), "s", "plain"), "a=b");
}

TEST(ProfileRead, ListsSectionsAndKeysAsDoubleZeroLists) {
  TempDir dir;
  WriteText(dir.file("a.ini"), "[one]\na=1\nb=2\n[two]\n");
  char buffer[64];
  DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer,
                                     dir.file("a.ini").c_str());
  EXPECT_EQ(std::string(buffer, n), std::string("one\0two\0", 8));
  n = GetPrivateProfileStringA("one", nullptr, "", buffer, sizeof buffer,
                               dir.file("a.ini").c_str());
  EXPECT_EQ(std::string(buffer, n), std::string("a\0b\0", 4));
}

TEST(ProfileWrite, CreatesFileSectionAndKey) {
  TempDir dir;
  const std::string file = dir.file("new.ini");
  ASSERT_TRUE(WritePrivateProfileStringA("LOGIN", "LastUser", "13800000000", file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("LOGIN", "UserPwd", "p&w=d", file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("OPTION", "AutoPlay", "1", file.c_str()));
  EXPECT_EQ(Read(file, "login", "lastuser"), "13800000000");
  EXPECT_EQ(Read(file, "LOGIN", "UserPwd"), "p&w=d");
  EXPECT_EQ(Read(file, "OPTION", "AutoPlay"), "1");
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "a new settings file is the user's alone";
}

TEST(ProfileWrite, KeepsCommentsBlankLinesAndOtherKeys) {
  TempDir dir;
  const std::string file = dir.file("a.ini");
  const std::string before =
      "; top comment\n[LOGIN]\n; the last user\nLastUser=old\n\n[OPTION]\nAutoPlay=1\n";
  WriteText(file, before);
  ASSERT_TRUE(WritePrivateProfileStringA("login", "LASTUSER", "new", file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("LOGIN", "UserPwd", "pw", file.c_str()));
  EXPECT_EQ(ReadText(file),
            "; top comment\n[LOGIN]\n; the last "
            "user\nLastUser=new\nUserPwd=pw\n\n[OPTION]\nAutoPlay=1\n");
}

TEST(ProfileWrite, DeletesKeysAndSections) {
  TempDir dir;
  const std::string file = dir.file("a.ini");
  WriteText(file, "[a]\nx=1\ny=2\n[b]\nz=3\n");
  ASSERT_TRUE(WritePrivateProfileStringA("a", "x", nullptr, file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("b", nullptr, nullptr, file.c_str()));
  EXPECT_EQ(ReadText(file), "[a]\ny=2\n");
}

TEST(ProfileWrite, IsAtomicAndLeavesNoTemporaryFile) {
  TempDir dir;
  const std::string file = dir.file("a.ini");
  WriteText(file, "[s]\nk=old\n");
  ::chmod(file.c_str(), 0640);
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "new", file.c_str()));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u) << "an existing file keeps its mode";
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST(ProfileWrite, FailsCleanlyWhenTheFolderIsMissing) {
  TempDir dir;
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", dir.file("no/such/a.ini").c_str()));
}

TEST(ProfileWrite, ConcurrentWritersLoseNoKey) {
  TempDir dir;
  const std::string file = dir.file("a.ini");
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([&file, t] {
      for (int i = 0; i < 25; ++i)
        WritePrivateProfileStringA("s", ("k" + std::to_string(t) + "_" + std::to_string(i)).c_str(),
                                   "v", file.c_str());
    });
  for (auto& writer : writers) writer.join();
  for (int t = 0; t < 4; ++t)
    for (int i = 0; i < 25; ++i)
      EXPECT_EQ(Read(file, "s", ("k" + std::to_string(t) + "_" + std::to_string(i)).c_str()), "v");
}

TEST(ProfileInt, ParsesLikeAtoi) {
  TempDir dir;
  WriteText(dir.file("a.ini"), "[s]\nn=42\nw=word\n");
  EXPECT_EQ(GetPrivateProfileIntA("s", "n", 7, dir.file("a.ini").c_str()), 42u);
  EXPECT_EQ(GetPrivateProfileIntA("s", "w", 7, dir.file("a.ini").c_str()), 0u);
  EXPECT_EQ(GetPrivateProfileIntA("s", "missing", 7, dir.file("a.ini").c_str()), 7u);
}

// Found by ini_fuzz: a key name with blanks around it was written as a line whose key reads
// back trimmed, so no read by that name found it and every write added one more line.
TEST(ProfileWrite, MatchesNamesWithoutTheirSurroundingBlanks) {
  TempDir dir;
  const std::string file = dir.file("a.ini");
  WriteText(file, "[s]\nk=v\n");
  ASSERT_TRUE(WritePrivateProfileStringA(" s\t", " padded ", "1", file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("s", "\tpadded", "2", file.c_str()));
  EXPECT_EQ(Read(file, "s", " padded "), "2");
  EXPECT_EQ(Read(file, " S ", "PADDED"), "2");
  EXPECT_EQ(ReadText(file), "[s]\nk=v\npadded=2\n");
  ASSERT_TRUE(WritePrivateProfileStringA("s ", " padded", nullptr, file.c_str()));
  EXPECT_EQ(ReadText(file), "[s]\nk=v\n");
}

// Found by ini_fuzz: a last line ending in carriage returns without a line feed lost one of
// them at every write elsewhere in the file, so its value changed. Windows trims them (and
// the other controls from tab to carriage return, and ^Z) around values and names.
TEST(ProfileWrite, LeavesAValueWithStrayCarriageReturnsAsItReads) {
  TempDir dir;
  const std::string file = dir.file("a.ini");
  WriteText(file, "[s]\nk=v\r\r\r");
  EXPECT_EQ(Read(file, "s", "k"), "v");
  ASSERT_TRUE(WritePrivateProfileStringA("s", "other", "1", file.c_str()));
  EXPECT_EQ(Read(file, "s", "k"), "v");
  ASSERT_TRUE(WritePrivateProfileStringA("s", "other", "2", file.c_str()));
  EXPECT_EQ(Read(file, "s", "k"), "v");
  WriteText(file, "[s]\r\nk = \x1Aw\f \r\n");
  EXPECT_EQ(Read(file, "s", "k"), "w");
}

// Found by ini_fuzz: a write dropped the byte order mark, so a file that began with two of
// them began with one after the write, and its first line became a section header ahead of
// the section just written to: the value written could not be read back.
TEST(ProfileWrite, KeepsTheByteOrderMark) {
  TempDir dir;
  const std::string file = dir.file("a.ini");
  WriteText(file, "\xEF\xBB\xBF[s]\r\nk=v\r\n");
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "w", file.c_str()));
  EXPECT_EQ(ReadText(file), "\xEF\xBB\xBF[s]\r\nk=w\r\n");

  WriteText(file, "\xEF\xBB\xBF\xEF\xBB\xBF[a]\nk=1\n[a]\nk=2\n");
  ASSERT_TRUE(WritePrivateProfileStringA("a", "new", "3", file.c_str()));
  EXPECT_EQ(Read(file, "a", "new"), "3");
  EXPECT_EQ(Read(file, "a", "k"), "2");
}
