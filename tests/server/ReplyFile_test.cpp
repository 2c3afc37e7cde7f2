#include "server/ReplyFile.h"

#include "tests/server/CannedServer.h"

#include <gtest/gtest.h>

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

}  // namespace
