#include "platform/win32/Files.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <map>

using testing_support::ReadText;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WriteText;

TEST(SpecialFolders, AppDataIsTheXdgConfigHomeAndDocumentsComesFromUserDirs) {
  TempDir dir;
  ScopedEnv home("HOME", dir.path());
  ScopedEnv config("XDG_CONFIG_HOME", dir.file("cfg"));
  char path[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_APPDATA, TRUE));
  EXPECT_EQ(std::string(path), dir.file("cfg"));
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_PERSONAL, FALSE));
  EXPECT_EQ(std::string(path), dir.file("Documents"));
  WriteText(dir.file("cfg/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"$HOME/文档\"\n");
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_PERSONAL, FALSE));
  EXPECT_EQ(std::string(path), dir.file("文档"));
}

TEST(Files, CopyFileHonoursFailIfExists) {
  TempDir dir;
  WriteText(dir.file("a"), "seed");
  WriteText(dir.file("b"), "mine");
  EXPECT_FALSE(CopyFileA(dir.file("a").c_str(), dir.file("b").c_str(), TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadText(dir.file("b")), "mine");
  EXPECT_TRUE(CopyFileA(dir.file("a").c_str(), dir.file("b").c_str(), FALSE));
  EXPECT_EQ(ReadText(dir.file("b")), "seed");
  EXPECT_FALSE(CopyFileA(dir.file("missing").c_str(), dir.file("c").c_str(), TRUE));
  EXPECT_FALSE(PathFileExistsA(dir.file("c").c_str()));
}

TEST(Files, AttributesMarkDotNamesHiddenAndFoldersAsFolders) {
  TempDir dir;
  ASSERT_TRUE(CreateDirectoryA(dir.file(".hidden").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(dir.file("All Users").c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryA(dir.file("All Users").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  WriteText(dir.file("plain.txt"), "x");
  EXPECT_TRUE(GetFileAttributesA(dir.file(".hidden").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(GetFileAttributesA(dir.file(".hidden/").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(GetFileAttributesA(dir.file("All Users").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(GetFileAttributesA(dir.file("plain.txt").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA(dir.file("none").c_str()), INVALID_FILE_ATTRIBUTES);
  const std::u16string wide = u"/tmp";
  EXPECT_TRUE(PathFileExistsW(wide.c_str()));
}

TEST(Files, FindFilesListsMatchesWithLastWriteTimes) {
  TempDir dir;
  WriteText(dir.file("old.dat"), "1");
  WriteText(dir.file("new.dat"), "22");
  WriteText(dir.file("other.txt"), "3");
  struct utimbuf oldTime {
    1000000000, 1000000000
  };
  ::utime(dir.file("old.dat").c_str(), &oldTime);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(dir.file("*.dat").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  std::map<std::string, WIN32_FIND_DATAA> found;
  do found[data.cFileName] = data;
  while (FindNextFileA(find, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  FindClose(find);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(CompareFileTime(&found["old.dat"].ftLastWriteTime, &found["new.dat"].ftLastWriteTime),
            -1);
  EXPECT_EQ(found["new.dat"].nFileSizeLow, 2u);
  EXPECT_EQ(FindFirstFileA(dir.file("*.none").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindFirstFileA(dir.file("missing/*").c_str(), &data), INVALID_HANDLE_VALUE);
}

TEST(Files, ProgramFolderIsTheExecutablesFolder) {
  const std::string folder = win32::ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  char path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
  EXPECT_EQ(std::string(path).rfind(folder, 0), 0u);
}

TEST(Files, FileHeadIsReadFromRegularFilesOnly) {
  testing_support::TempDir dir;
  testing_support::WriteText(dir.file("book"), "0123456789");
  std::string head;
  std::uint64_t size = 0;
  std::string error;
  ASSERT_TRUE(win32::ReadRegularFileHead(dir.file("book"), 4, head, size, error)) << error;
  EXPECT_EQ(head, "0123");
  EXPECT_EQ(size, 10u);
  ASSERT_TRUE(win32::ReadRegularFileHead(dir.file("book"), 100, head, size, error)) << error;
  EXPECT_EQ(head, "0123456789");

  // A FIFO without a writer would block an ordinary open for ever.
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
  EXPECT_FALSE(win32::ReadRegularFileHead(dir.file("fifo"), 4, head, size, error));
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
  EXPECT_FALSE(win32::ReadRegularFileHead(dir.path(), 4, head, size, error));
  EXPECT_FALSE(win32::ReadRegularFileHead("/dev/zero", 4, head, size, error));
  EXPECT_FALSE(win32::ReadRegularFileHead(dir.file("missing"), 4, head, size, error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}
