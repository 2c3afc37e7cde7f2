// The tree layout, the snapshot and the tree operations of CShortcutWnd against a canned
// server.
#include "shortcut/ShortcutSnapshot.h"
#include "shortcut/ShortcutWnd.h"
#include "tests/shortcut/ShortcutTestSupport.h"

#include <gtest/gtest.h>

using DuiLib::CTreeNodeUI;

namespace {

class ShortcutTreeTest : public CShortcutTest {};

TEST_F(ShortcutTreeTest, GroupsGoBeforeTheHiddenSentinel) {
  CShortcutTree tree(m_pTree);
  CTreeNodeUI* sentinel = tree.CreateSentinel();
  ASSERT_NE(sentinel, nullptr);
  EXPECT_EQ(tree.CreateSentinel(), sentinel);
  EXPECT_FALSE(sentinel->IsVisible());
  EXPECT_EQ(sentinel->GetItemText(), "LastNode");
  CTreeNodeUI* a = tree.AddGroupNode("1", "甲", sentinel);
  tree.AddShortcutNode(a, "11", "m1", "{}");
  CTreeNodeUI* b = tree.AddGroupNode("2", "乙", sentinel);
  tree.AddShortcutNode(a, "12", "m2", "{}");
  tree.AddShortcutNode(b, "21", "m3", "{}");
  EXPECT_EQ(Names(), (std::vector<std::string>{"1", "11", "12", "2", "21", "-1"}));
  EXPECT_EQ(tree.Groups(), (std::vector<CTreeNodeUI*>{a, b}));
  EXPECT_EQ(tree.FindGroup("2"), b);
  EXPECT_EQ(tree.FindGroup("-1"), nullptr);
  EXPECT_EQ(a->GetFolderButton()->GetFixedWidth(), 13);
  EXPECT_EQ(tree.NodeAt(2)->GetUserData(), "{}");
  EXPECT_EQ(tree.NodeAt(99), nullptr);
  EXPECT_EQ(tree.AddShortcutNode(nullptr, "x", "y", "{}"), nullptr);
}

TEST_F(ShortcutTreeTest, NullTreeDoesNothing) {
  CShortcutWnd wnd(nullptr, CShortcutWnd::kModeLoader);
  EXPECT_FALSE(wnd.InitShortcutTree());
  EXPECT_EQ(wnd.AddGroupNode("1", "a", nullptr), nullptr);
  EXPECT_FALSE(wnd.SaveShortcutTree());
  EXPECT_FALSE(wnd.DeleteShortcutGroup(0));
  EXPECT_FALSE(wnd.DeleteShortcut(0));
}

TEST_F(ShortcutTreeTest, SnapshotOfOneEmptyGroup) {
  CShortcutTree tree(m_pTree);
  tree.AddGroupNode("7", "空组", tree.CreateSentinel());
  EXPECT_EQ(CShortcutSnapshot::Build(m_pTree),
            "<?xml?>\n<root>\n    <item id=\"7\" title=\"空组\"/>\n</root>\n");
}

TEST_F(ShortcutTreeTest, SnapshotHoldsMessagesWithEscapedValuesAndNoSentinel) {
  CShortcutTree tree(m_pTree);
  CTreeNodeUI* group = tree.AddGroupNode("3", "售后 & <退货>", tree.CreateSentinel());
  tree.AddShortcutNode(group, "9", "说明", R"({"contentTitle":"说明"})");
  const std::string xml = CShortcutSnapshot::Build(m_pTree);
  EXPECT_EQ(xml,
            "<?xml?>\n<root>\n    <item id=\"3\" title=\"售后 &amp; &lt;退货&gt;\">\n"
            "        <item id=\"9\" title=\"说明\" value=\"{&quot;contentTitle&quot;:"
            "&quot;说明&quot;}\"/>\n    </item>\n</root>\n");
  EXPECT_EQ(xml.find("LastNode"), std::string::npos);
}

TEST_F(ShortcutTreeTest, SaveWritesThePerUserSnapshotAndLeavesRemarksAlone) {
  WriteFile(UserFolder() + "remarks.xml", "<root><item id=\"wx\" title=\"老客户\"/></root>");
  CShortcutWnd wnd(m_pTree, CShortcutWnd::kModeLoader);
  CShortcutTree(m_pTree).AddGroupNode("1", "a", nullptr);
  ASSERT_TRUE(wnd.SaveShortcutTree());
  EXPECT_NE(ReadFile(SnapshotPath()).find("<item id=\"1\" title=\"a\"/>"), std::string::npos);
  EXPECT_EQ(ReadFile(UserFolder() + "remarks.xml"),
            "<root><item id=\"wx\" title=\"老客户\"/></root>");
  EXPECT_EQ(CShortcutSnapshot::DefaultPath(), SnapshotPath());
}

TEST_F(ShortcutTreeTest, SaveIntoAMissingFolderFailsAndReportsIt) {
  CShortcutWnd wnd(m_pTree, CShortcutWnd::kModeLoader);
  wnd.SetSnapshotPath(Root() + "/no/such/folder/mfls.xml");
  EXPECT_FALSE(wnd.SaveShortcutTree());
}

// A group with two messages and a second group, as the list would have made them.
class ShortcutDeleteTest : public ShortcutTreeTest {
 protected:
  void SetUp() override {
    ShortcutTreeTest::SetUp();
    CShortcutTree tree(m_pTree);
    CTreeNodeUI* sentinel = tree.CreateSentinel();
    CTreeNodeUI* a = tree.AddGroupNode("1", "a", sentinel);
    tree.AddShortcutNode(a, "11", "x", "{}");
    tree.AddShortcutNode(a, "12", "y", "{}");
    tree.AddGroupNode("2", "b", sentinel);
    DuiLib::SetMessageBoxHook(
        [this](HWND, const std::string& text, const std::string& caption, UINT type) {
          m_boxes.push_back(caption + "|" + text + "|" + std::to_string(type));
          return IDOK;
        });
  }
  void TearDown() override {
    DuiLib::SetMessageBoxHook({});
    ShortcutTreeTest::TearDown();
  }
  std::vector<std::string> m_boxes;
};

TEST_F(ShortcutDeleteTest, DeletingAGroupRemovesItsMessagesAndSaves) {
  m_server.Reply(R"({"resultCode":1})");
  CShortcutWnd wnd(m_pTree, CShortcutWnd::kModeNewMessage);
  ASSERT_TRUE(wnd.DeleteShortcutGroup(0));
  EXPECT_EQ(Names(), (std::vector<std::string>{"2", "-1"}));
  const TReceived request = m_server.Last();
  EXPECT_EQ(request.path, "/zoduda_vudi/quickMessage/group/del.do");
  EXPECT_EQ(request.body, "msgGroupId=1&tokenId=tok-1");
  EXPECT_EQ(ReadFile(SnapshotPath()),
            "<?xml?>\n<root>\n    <item id=\"2\" title=\"b\"/>\n</root>\n");
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(ShortcutDeleteTest, DeletingAMessageUsesTheMessageKey) {
  m_server.Reply(R"({"resultCode":1})");
  CShortcutWnd wnd(m_pTree, CShortcutWnd::kModeNewMessage);
  ASSERT_TRUE(wnd.DeleteShortcut(2));
  EXPECT_EQ(Names(), (std::vector<std::string>{"1", "11", "2", "-1"}));
  EXPECT_EQ(m_server.Last().path, "/zoduda_vudi/quickMessage/del.do");
  EXPECT_EQ(m_server.Last().body, "msgContentId=12&tokenId=tok-1");
}

TEST_F(ShortcutDeleteTest, IndexOfTheWrongKindSendsNothing) {
  CShortcutWnd wnd(m_pTree, CShortcutWnd::kModeNewMessage);
  EXPECT_FALSE(wnd.DeleteShortcut(0));       // a group
  EXPECT_FALSE(wnd.DeleteShortcutGroup(1));  // a message
  EXPECT_FALSE(wnd.DeleteShortcutGroup(4));  // the sentinel
  EXPECT_FALSE(wnd.DeleteShortcut(-1));
  EXPECT_EQ(m_server.Count(), 0u);
}

TEST_F(ShortcutDeleteTest, ServerRefusalShowsItsMessageAndDetailAndKeepsTheNode) {
  m_server.Reply(R"({"resultCode":5,"resultMsg":"无权操作","obj":"分组不存在"})");
  CShortcutWnd wnd(m_pTree, CShortcutWnd::kModeNewMessage);
  EXPECT_FALSE(wnd.DeleteShortcutGroup(3));
  EXPECT_EQ(m_boxes, (std::vector<std::string>{"删除快捷语组|无权操作: 分组不存在|16"}));
  EXPECT_EQ(Names().size(), 5u);
  EXPECT_FALSE(FileExists(SnapshotPath()));
}

TEST_F(ShortcutDeleteTest, NetworkFailureShowsTheNetworkText) {
  UseWebServer("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  CShortcutWnd wnd(m_pTree, CShortcutWnd::kModeNewMessage);
  EXPECT_FALSE(wnd.DeleteShortcut(1));
  EXPECT_EQ(m_boxes, (std::vector<std::string>{"删除快捷语组|请求失败, 请检查网络.|16"}));
}

TEST(ShortcutDeleteText, ByResult) {
  EXPECT_EQ(CShortcutWnd::DeleteFailureText(-1, "m", "d"), "请求失败, 请检查网络.");
  EXPECT_EQ(CShortcutWnd::DeleteFailureText(-2, "m", ""), "m");
  EXPECT_EQ(CShortcutWnd::DeleteFailureText(-2, "m", "d"), "m: d");
  EXPECT_EQ(CShortcutWnd::DeleteFailureText(-3, "m", "d"), "请求失败，请联系管理员.");
}

TEST_F(ShortcutTreeTest, ImportedMessageIsAddedOnTheServerAndSaved) {
  m_server.Reply(R"({"resultCode":1,"obj":["41"]})");
  CShortcutWnd wnd(m_pTree, CShortcutWnd::kModeLoader);
  std::vector<std::string> ids;
  EXPECT_EQ(wnd.AddImportedShortcut("{\"a\":1}", ids), 1);
  EXPECT_EQ(ids, std::vector<std::string>{"41"});
  const TReceived request = m_server.Last();
  EXPECT_EQ(request.path, "/zoduda_vudi/quickMessage/add.do");
  EXPECT_EQ(request.params.find("message")->second, "{\"a\":1}");
  EXPECT_TRUE(FileExists(SnapshotPath()));
}

TEST_F(ShortcutTreeTest, RefusedImportReturnsTheResultAndShowsNothing) {
  int boxes = 0;
  DuiLib::SetMessageBoxHook([&](HWND, const std::string&, const std::string&, UINT) {
    ++boxes;
    return IDOK;
  });
  m_server.Reply(R"({"resultCode":0,"resultMsg":"no"})");
  CShortcutWnd wnd(m_pTree, CShortcutWnd::kModeLoader);
  std::vector<std::string> ids;
  EXPECT_EQ(wnd.AddImportedShortcut("{}", ids), -2);
  EXPECT_EQ(boxes, 0);
  EXPECT_FALSE(FileExists(SnapshotPath()));
  DuiLib::SetMessageBoxHook({});
}

}  // namespace
