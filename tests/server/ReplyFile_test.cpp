#include "server/ReplyFile.h"

#include "tests/server/CannedServer.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class ReplyFileTest : public CServerTest {};

TEST_F(ReplyFileTest, TargetAppearsOnlyOnCommit) {
  const std::string target = UserFolder() + "Reply.dat";
  WriteFile(target, "old");
  CReplyFile file;
  ASSERT_TRUE(file.Create(target, "wb+"));
  std::fputs("new reply", file.Stream());
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(ReadFile(target), "old");
  std::string content;
  ASSERT_TRUE(file.ReadAll(content));
  EXPECT_EQ(content, "new reply");
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(ReadFile(target), "new reply");
  EXPECT_TRUE(FilesContaining(UserFolder(), ".part-").empty());
}

TEST_F(ReplyFileTest, DiscardedOrDroppedFileLeavesNothing) {
  const std::string target = UserFolder() + "Picture.png";
  {
    CReplyFile file;
    ASSERT_TRUE(file.Create(target, "wb"));
    std::fputs("partial", file.Stream());
  }
  CReplyFile discarded;
  ASSERT_TRUE(discarded.Create(target, "wb"));
  discarded.Discard();
  EXPECT_FALSE(FileExists(target));
  EXPECT_TRUE(FilesContaining(UserFolder(), ".part-").empty());
}

TEST_F(ReplyFileTest, FailsInMissingFolder) {
  CReplyFile file;
  EXPECT_FALSE(file.Create(Root() + "/no/such/folder/Reply.dat", "wb"));
  EXPECT_EQ(file.Stream(), nullptr);
  EXPECT_FALSE(file.Commit());
}

TEST_F(ReplyFileTest, TwoFilesForOneTargetAreSeparate) {
  const std::string target = UserFolder() + "Same.dat";
  CReplyFile first, second;
  ASSERT_TRUE(first.Create(target, "wb+"));
  ASSERT_TRUE(second.Create(target, "wb+"));
  std::fputs("first", first.Stream());
  std::fputs("second", second.Stream());
  first.Close();
  second.Close();
  std::string a, b;
  first.ReadAll(a);
  second.ReadAll(b);
  EXPECT_EQ(a, "first");
  EXPECT_EQ(b, "second");
}

// What a crash leaves behind goes at the next start; nothing else does.
TEST_F(ReplyFileTest, StaleTemporaryFilesAreRemovedAndNothingElse) {
  const std::string images = UserFolder() + "Images/";
  std::filesystem::create_directories(images);
  std::filesystem::create_directories(UserFolder() + "Faces.part-1-2");
  const std::vector<std::string> stale{"Login.dat.part-4242-1", "ShortcutList.dat.part-1-99"};
  const std::vector<std::string> kept{"Login.dat",    "notes.part-x",  "a.part-1-",
                                      "b.part--1",    ".part-1-2",     "c.part-1-2.bak",
                                      "d.part-12a-3", "Faces.part-1-2"};
  for (const std::string& name : stale) WriteFile(UserFolder() + name, "partial");
  for (const std::string& name : kept)
    if (name != "Faces.part-1-2") WriteFile(UserFolder() + name, "keep");
  WriteFile(images + "pic.png.part-7-3", "partial");
  WriteFile(images + "pic.png", "picture");

  EXPECT_EQ(CReplyFile::RemoveStale(UserFolder()), 2);
  EXPECT_EQ(CReplyFile::RemoveStale(images), 1);
  EXPECT_EQ(CReplyFile::RemoveStale(Root() + "/no/such/folder/"), 0);
  for (const std::string& name : stale) EXPECT_FALSE(FileExists(UserFolder() + name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(FileExists(UserFolder() + name)) << name;
  EXPECT_FALSE(FileExists(images + "pic.png.part-7-3"));
  EXPECT_EQ(ReadFile(images + "pic.png"), "picture");
}

}  // namespace
