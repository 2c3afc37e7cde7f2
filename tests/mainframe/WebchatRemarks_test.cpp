// The account remarks file: written whole through a temporary file, private to the user.
#include "mainframe/WebchatListUI.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using testing_support::ReadText;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WriteText;

TEST(WebchatRemarks, SavedByReplacingTheFileWithAPrivateOne) {
  TempDir root;
  ScopedEnv env("XDG_CONFIG_HOME", root.path());
  const mode_t oldMask = ::umask(022);
  CWebchatListUI list(nullptr);
  const std::string path = CWebchatListUI::RemarksPath();
  ASSERT_FALSE(path.empty());
  WriteText(path, "<root><item id=\"wx\" title=\"旧\"/></root>");
  ::chmod(path.c_str(), 0644);
  // A second name for the old file: a write in place would change it too.
  ASSERT_EQ(::link(path.c_str(), root.file("old.xml").c_str()), 0);

  list.m_mapRemarks["wx"] = "老客户";
  ASSERT_TRUE(list.SaveRemarks());
  ::umask(oldMask);

  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_NE(ReadText(path).find("title=\"老客户\""), std::string::npos) << ReadText(path);
  EXPECT_EQ(ReadText(root.file("old.xml")), "<root><item id=\"wx\" title=\"旧\"/></root>");
}

}  // namespace
