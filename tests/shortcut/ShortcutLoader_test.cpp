// The list thread: the library from a canned server into the tree, in reply order.
#include "shortcut/ShortcutWnd.h"
#include "tests/shortcut/ShortcutTestSupport.h"

#include <gtest/gtest.h>

namespace {

class ShortcutLoaderTest : public CShortcutTest {
 protected:
  // Starts loading and waits until every node is in the tree; returns whether it was listed.
  bool Load(CShortcutWnd& wnd) {
    bool done = false;
    bool listed = false;
    EXPECT_TRUE(wnd.InitShortcutTree([&](bool ok) {
      done = true;
      listed = ok;
    }));
    EXPECT_TRUE(PumpUntil([&] { return done; }));
    return listed;
  }
};

TEST_F(ShortcutLoaderTest, LibraryArrivesInReplyOrderBeforeTheSentinel) {
  m_server.Reply(R"({"resultCode":1,"msgList":[)"
                 R"({"msgGroupId":"2","groupTitle":"售前","msgContentList":[)"
                 R"({"msgContentId":"21","contentTitle":"问候","msgDetailList":[]},)"
                 R"({"msgContentId":"20","contentTitle":"再见","msgDetailList":[]}]},)"
                 R"({"msgGroupId":1,"groupTitle":"售后","msgContentList":[)"
                 R"({"msgContentId":"10","contentTitle":"退货"}]},)"
                 R"({"msgGroupId":"3","groupTitle":""}]})");
  CShortcutWnd wnd(m_pTree, CShortcutWnd::kModeLoader);
  EXPECT_TRUE(Load(wnd));
  EXPECT_EQ(Names(), (std::vector<std::string>{"2", "21", "20", "1", "10", "-1"}));
  EXPECT_EQ(m_pTree->GetItemAt(1)->GetUserData(),
            R"({"contentTitle":"问候","msgContentId":"21","msgDetailList":[]})");
  EXPECT_EQ(m_server.Last().path, "/zoduda_vudi/quickMessage/list.do");
  EXPECT_EQ(m_server.Last().body, "tokenId=tok-1");
  // Loading writes no snapshot.
  EXPECT_FALSE(FileExists(SnapshotPath()));
}

TEST_F(ShortcutLoaderTest, RefusedListLeavesOnlyTheSentinel) {
  m_server.Reply(R"({"resultCode":3,"resultMsg":"登录已过期"})");
  CShortcutWnd wnd(m_pTree, CShortcutWnd::kModeLoader);
  EXPECT_FALSE(Load(wnd));
  EXPECT_EQ(Names(), std::vector<std::string>{"-1"});
}

TEST_F(ShortcutLoaderTest, UnreachableServerLeavesOnlyTheSentinel) {
  UseWebServer("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  CShortcutWnd wnd(m_pTree, CShortcutWnd::kModeLoader);
  EXPECT_FALSE(Load(wnd));
  EXPECT_EQ(Names(), std::vector<std::string>{"-1"});
}

TEST_F(ShortcutLoaderTest, SecondInitIsRefused) {
  m_server.Reply(R"({"resultCode":1,"msgList":[]})");
  CShortcutWnd wnd(m_pTree, CShortcutWnd::kModeLoader);
  EXPECT_TRUE(Load(wnd));
  EXPECT_FALSE(wnd.InitShortcutTree());
  EXPECT_EQ(Names(), std::vector<std::string>{"-1"});
}

TEST_F(ShortcutLoaderTest, DestroyingWhileLoadingStopsCleanly) {
  std::string reply = R"({"resultCode":1,"msgList":[)";
  for (int g = 0; g < 400; ++g) {
    if (g) reply += ",";
    reply +=
        R"({"msgGroupId":")" + std::to_string(g + 1) + R"(","groupTitle":"g","msgContentList":[)";
    for (int m = 0; m < 20; ++m)
      reply += std::string(m ? "," : "") + R"({"msgContentId":")" + std::to_string(m + 1) +
               R"(","contentTitle":"t"})";
    reply += "]}";
  }
  reply += "]}";
  m_server.Reply(reply);
  for (int round = 0; round < 3; ++round) {
    auto wnd = std::make_unique<CShortcutWnd>(m_pTree, CShortcutWnd::kModeLoader);
    ASSERT_TRUE(wnd->InitShortcutTree());
    DuiLib::PumpMessages();
    wnd.reset();  // waits for the thread; queued nodes are dropped
    DuiLib::PumpMessages();
    QCoreApplication::processEvents();
    // Whatever arrived sits before the sentinel, in order.
    const std::vector<std::string> names = Names();
    EXPECT_EQ(names.back(), "-1");
    m_pTree->RemoveAll();
  }
}

}  // namespace
