// The panel's logic offscreen: search, menus, deletes with their confirmation, the template
// download, the import into a group and the menus that open the editor.
#include "shortcut/ShortcutEditor.h"
#include "shortcut/ShortcutPanel.h"
#include "shortcut/ShortcutSearch.h"
#include "tests/shortcut/ShortcutTestSupport.h"

#include <xlsxwriter.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

using DuiLib::CTreeNodeUI;

namespace {

std::string textItem(const std::string& text) {
  return R"({"contentTitle":"x","msgDetailList":[{"detailType":1,"msgDetail":"[{\"content\":\")" +
         text + R"(\",\"type\":\"1\"}]","sort":1}]})";
}

class CFakeHost : public IShortcutPanelHost {
 public:
  HWND PanelOwner() override { return nullptr; }
  CWebchatEngine* PanelManager() override { return nullptr; }
  bool HasAccountList() override { return true; }
  std::string SelectedAccountKey() override { return "key"; }
  void StartSendTimer(UINT) override {}
  void ShowImportProgress(int done, int total) override {
    progress.push_back(std::to_string(done) + "/" + std::to_string(total));
  }
  void DimForModal(bool) override {}
  std::vector<std::string> progress;
};

class ShortcutPanelTest : public CShortcutTest {
 protected:
  void SetUp() override {
    CShortcutTest::SetUp();
    CShortcutTree tree(m_pTree);
    CTreeNodeUI* sentinel = tree.CreateSentinel();
    m_pGroupA = tree.AddGroupNode("1", "售前问候", sentinel);
    tree.AddShortcutNode(m_pGroupA, "11", "欢迎", textItem("亲，欢迎光临本店"));
    tree.AddShortcutNode(m_pGroupA, "12", "Shipping", textItem("We ship by SF Express"));
    m_pGroupB = tree.AddGroupNode("2", "售后", sentinel);
    tree.AddShortcutNode(m_pGroupB, "21", "退货", textItem("七天无理由退货，请保留包装"));
    DuiLib::SetMessageBoxHook(
        [this](HWND, const std::string& text, const std::string& caption, UINT) {
          m_boxes.push_back(caption + "|" + text);
          return m_nBoxAnswer;
        });
  }
  void TearDown() override {
    DuiLib::SetMessageBoxHook({});
    DuiLib::SetFileDialogHook({});
    CShortcutTest::TearDown();
  }
  std::vector<std::string> Visible() const {
    std::vector<std::string> names;
    for (int i = 0; i < m_pTree->GetCount(); ++i)
      if (m_pTree->GetItemAt(i)->IsVisible())
        names.push_back(m_pTree->GetItemAt(i)->GetName().str());
    return names;
  }
  void Select(CTreeNodeUI* node) { m_pTree->SelectItem(node->GetTreeIndex(), false, false); }

  CTreeNodeUI* m_pGroupA = nullptr;
  CTreeNodeUI* m_pGroupB = nullptr;
  std::vector<std::string> m_boxes;
  int m_nBoxAnswer = IDOK;
  CFakeHost m_host;
};

TEST_F(ShortcutPanelTest, SearchFindsAChineseWordInTheText) {
  CShortcutSearch search(m_pTree);
  EXPECT_EQ(search.Apply("无理由"), 1);
  EXPECT_EQ(Visible(), (std::vector<std::string>{"2", "21"}));
  ASSERT_NE(search.FirstHit(), nullptr);
  EXPECT_EQ(search.FirstHit()->GetName(), "21");
}

TEST_F(ShortcutPanelTest, SearchIgnoresLatinCaseAndMatchesTitles) {
  CShortcutSearch search(m_pTree);
  EXPECT_EQ(search.Apply("sf EXPRESS"), 1);
  EXPECT_EQ(Visible(), (std::vector<std::string>{"1", "12"}));
  EXPECT_EQ(search.Apply("ＳＨＩＰ"), 1);  // full-width letters
  EXPECT_EQ(search.Apply("退货"), 1);      // a title
  EXPECT_EQ(Visible(), (std::vector<std::string>{"2", "21"}));
}

TEST_F(ShortcutPanelTest, GroupTitleHitShowsTheWholeGroup) {
  CShortcutSearch search(m_pTree);
  EXPECT_EQ(search.Apply("售前"), 0);
  EXPECT_EQ(Visible(), (std::vector<std::string>{"1", "11", "12"}));
  EXPECT_EQ(search.FirstHit(), nullptr);  // no message itself matches
}

TEST_F(ShortcutPanelTest, EmptyQueryGivesTheTreeBackAndChangesNothingElse) {
  m_pGroupB->Expand(false);
  m_pTree->SetItemExpand(false, m_pGroupB);
  CShortcutSearch search(m_pTree);
  EXPECT_EQ(search.Apply("没有这个词"), 0);
  EXPECT_TRUE(Visible().empty());
  EXPECT_EQ(search.Apply("  "), 0);
  EXPECT_EQ(Visible(), (std::vector<std::string>{"1", "11", "12", "2"}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"1", "11", "12", "2", "21", "-1"}));
}

TEST_F(ShortcutPanelTest, MenuCommandsAreTheTable) {
  CShortcutPanel panel(m_host, m_pTree);
  std::vector<int> modes;
  SetShortcutEditorHook([&modes](HWND, DuiLib::CTreeViewUI*, int mode) {
    modes.push_back(mode);
    return 1u;
  });
  for (int id : {4003, 5001, 5003}) EXPECT_TRUE(panel.OnMenu(id));
  SetShortcutEditorHook({});
  EXPECT_EQ(modes, (std::vector<int>{CShortcutWnd::kModeEditMessage, CShortcutWnd::kModeNewMessage,
                                     CShortcutWnd::kModeEditGroup}));
  EXPECT_TRUE(m_boxes.empty());
  EXPECT_FALSE(panel.OnMenu(301));  // the tray's, not the panel's
  EXPECT_FALSE(panel.OnMenu(4005));
}

TEST_F(ShortcutPanelTest, DeleteAsksFirstAndCancelKeepsEverything) {
  CShortcutPanel panel(m_host, m_pTree);
  Select(m_pGroupA);
  m_nBoxAnswer = IDCANCEL;
  EXPECT_TRUE(panel.OnMenu(5004));
  EXPECT_EQ(m_boxes,
            std::vector<std::string>{"确认|确定删除快捷语组“售前问候”及其中的全部快捷语吗？"});
  EXPECT_EQ(m_server.Count(), 0u);
  EXPECT_EQ(Names().size(), 6u);
}

TEST_F(ShortcutPanelTest, ConfirmedDeleteOfAMessage) {
  m_server.Reply(R"({"resultCode":1})");
  CShortcutPanel panel(m_host, m_pTree);
  Select(m_pGroupB->GetChildNode(0));
  EXPECT_TRUE(panel.OnMenu(5004));  // a group command on a message does nothing
  EXPECT_TRUE(m_boxes.empty());
  EXPECT_TRUE(panel.OnMenu(4004));
  EXPECT_EQ(m_boxes, std::vector<std::string>{"确认|确定删除快捷语“退货”吗？"});
  EXPECT_EQ(Names(), (std::vector<std::string>{"1", "11", "12", "2", "-1"}));
  EXPECT_EQ(m_server.Last().body, "msgContentId=21&tokenId=tok-1");
}

TEST_F(ShortcutPanelTest, ContextMenuOnlyOnTheSelectedNode) {
  CShortcutPanel panel(m_host, m_pTree);
  m_dialog.pm.UpdateLayout();
  Select(m_pGroupA->GetChildNode(0));
  const RECT rc = m_pGroupA->GetChildNode(0)->GetPos();
  EXPECT_STREQ(panel.ContextMenuAt(POINT{rc.left + 2, rc.top + 2}), "shortcut_menu.xml");
  const RECT group = m_pGroupA->GetPos();
  EXPECT_EQ(panel.ContextMenuAt(POINT{group.left + 2, group.top + 2}), nullptr);
  Select(m_pGroupA);
  EXPECT_STREQ(panel.ContextMenuAt(POINT{group.left + 2, group.top + 2}),
               "shortcut_group_menu.xml");
  EXPECT_EQ(panel.ContextMenuAt(POINT{-5, -5}), nullptr);
}

TEST_F(ShortcutPanelTest, EmptyStatePictureOnlyWithoutGroups) {
  CShortcutPanel panel(m_host, m_pTree);
  panel.UpdateEmptyState();
  EXPECT_STREQ(m_pTree->GetBkImage(), "");
  m_pTree->RemoveAll();
  CShortcutTree(m_pTree).CreateSentinel();
  panel.UpdateEmptyState();
  EXPECT_STREQ(m_pTree->GetBkImage(), CShortcutPanel::kEmptyImage);
}

TEST_F(ShortcutPanelTest, TemplateIsSavedUnderTheKindTheServerSent) {
  m_server.Reply(TCanned{200, std::string("PK\x03\x04rest-of-zip", 16),
                         "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"});
  std::string offeredName;
  std::string offeredFilter;
  const std::string target = Root() + "/模板.xlsx";
  DuiLib::SetFileDialogHook([&](bool save, const OPENFILENAMEA& ofn) {
    EXPECT_TRUE(save);
    offeredName = ofn.lpstrFile;
    offeredFilter = ofn.lpstrFilter;
    return target;
  });
  CShortcutPanel panel(m_host, m_pTree);
  panel.DownloadShortcut();
  EXPECT_EQ(offeredName, "快捷语导入模板.xlsx");
  EXPECT_EQ(offeredFilter, "Excel 工作簿(*.xlsx)");
  EXPECT_EQ(ReadFile(target), std::string("PK\x03\x04rest-of-zip", 16));
  struct stat saved {};
  ASSERT_EQ(::stat(target.c_str(), &saved), 0);
  EXPECT_EQ(saved.st_mode & 0777, 0644u) << "a document like any other";
  EXPECT_EQ(m_server.Last().path, "/zoduda_vudi/quickmsg/template/download.do");
  EXPECT_TRUE(FilesContaining(UserFolder(), "ImportTemplate").empty());
}

TEST_F(ShortcutPanelTest, TemplateDownloadFailureIsShown) {
  m_server.Reply(TCanned{500, "oops", "text/plain"});
  bool asked = false;
  DuiLib::SetFileDialogHook([&](bool, const OPENFILENAMEA&) {
    asked = true;
    return std::string();
  });
  CShortcutPanel panel(m_host, m_pTree);
  panel.DownloadShortcut();
  EXPECT_FALSE(asked);
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0].rfind("下载模板|下载失败", 0), 0u) << m_boxes[0];
}

// A workbook with a header row and `rows` data rows.
void writeWorkbook(const std::string& path, int rows) {
  lxw_workbook* book = workbook_new(path.c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  worksheet_write_string(sheet, 0, 0, "标题", nullptr);
  worksheet_write_string(sheet, 0, 1, "内容", nullptr);
  for (int r = 1; r <= rows; ++r) {
    worksheet_write_string(sheet, r, 0, ("标题" + std::to_string(r)).c_str(), nullptr);
    worksheet_write_string(sheet, r, 1, ("内容 \"" + std::to_string(r) + "\"").c_str(), nullptr);
  }
  ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
}

TEST_F(ShortcutPanelTest, ImportAddsEachRowToTheGroupOffTheGuiThread) {
  const std::string book = Root() + "/import.xlsx";
  writeWorkbook(book, 20);
  int next = 100;
  std::mutex mutex;
  m_server.Answer([&](const TReceived&) {
    std::lock_guard<std::mutex> lock(mutex);
    return TCanned{200, R"({"resultCode":1,"obj":[")" + std::to_string(next++) + R"("]})"};
  });
  DuiLib::SetFileDialogHook([&](bool save, const OPENFILENAMEA&) {
    EXPECT_FALSE(save);
    return book;
  });
  CShortcutPanel panel(m_host, m_pTree);
  Select(m_pGroupB);
  EXPECT_TRUE(panel.OnMenu(5002));
  ASSERT_TRUE(PumpUntil([&] { return !panel.GetImporter().IsRunning(); }));
  ASSERT_EQ(m_pGroupB->GetCountChild(), 21);
  EXPECT_EQ(m_pGroupB->GetChildNode(1)->GetName(), "100");
  EXPECT_EQ(m_pGroupB->GetChildNode(20)->GetItemText(), "标题20");
  EXPECT_EQ(m_pGroupB->GetChildNode(20)->GetUserData(),
            R"({"contentTitle":"标题20","leftRange":0,"msgDetailList":[{"detailType":1,)"
            R"("msgDetail":"[{\"content\":\"内容 \\\"20\\\"\", \"type\":\"1\"}]","sort":1}],)"
            R"("msgGroupId":"2","rightRange":0})");
  EXPECT_TRUE(m_boxes.empty());
  EXPECT_EQ(m_host.progress.front(), "0/0");
  EXPECT_EQ(m_host.progress.back(), "-1/-1");
  EXPECT_NE(ReadFile(SnapshotPath()).find("标题20"), std::string::npos);
}

TEST_F(ShortcutPanelTest, ImportReportsRefusedRows) {
  const std::string book = Root() + "/import.xlsx";
  writeWorkbook(book, 3);
  int calls = 0;
  m_server.Answer([&](const TReceived&) {
    return ++calls == 2
               ? TCanned{200, R"({"resultCode":0,"resultMsg":"重复"})"}
               : TCanned{200, R"({"resultCode":1,"obj":["7)" + std::to_string(calls) + R"("]})"};
  });
  DuiLib::SetFileDialogHook([&](bool, const OPENFILENAMEA&) { return book; });
  CShortcutPanel panel(m_host, m_pTree);
  Select(m_pGroupA->GetChildNode(1));  // a message: its group is the target
  panel.ImportShortCut();
  ASSERT_TRUE(PumpUntil([&] { return !panel.GetImporter().IsRunning(); }));
  EXPECT_EQ(m_pGroupA->GetCountChild(), 4);
  // The server's reason, not a network failure.
  EXPECT_EQ(m_boxes, std::vector<std::string>{
                         "快捷语导入|已导入 2 条，1 条被服务器拒绝.\n第2条「标题2」: 重复"});
}

// A row without content is not sent (it would make a message that sends nothing) and is
// counted; a row the server refuses is named with its reason.
TEST_F(ShortcutPanelTest, ImportSkipsRowsWithoutContentAndNamesRefusedRows) {
  std::vector<WECHATKUAIJIEDATA> rows = {
      {"好", "内容"}, {"空的", ""}, {"", "无标题"}, {"白", " \t"}};
  m_server.Answer([&](const TReceived& request) {
    const auto message = request.params.find("message");
    return message != request.params.end() &&
                   message->second.find(R"("contentTitle":"")") != std::string::npos
               ? TCanned{200, R"({"resultCode":4002,"resultMsg":"快捷语内容格式错误"})"}
               : TCanned{200, R"({"resultCode":1,"obj":["77"]})"};
  });
  CShortcutImporter importer;
  TImportOutcome outcome;
  bool done = false;
  ASSERT_TRUE(importer.Start(
      m_pTree, "2", "unused", {},
      [&](const TImportOutcome& result) {
        outcome = result;
        done = true;
      },
      [&](const std::string&) { return rows; }));
  ASSERT_TRUE(PumpUntil([&] { return done; }));
  EXPECT_EQ(m_server.Count(), 2u) << "rows without content are not sent";
  EXPECT_EQ(outcome.nAdded, 1);
  EXPECT_EQ(outcome.nSkipped, 2);
  EXPECT_EQ(outcome.nFailed, 0);
  EXPECT_EQ(CShortcutImporter::OutcomeText(outcome),
            "已导入 1 条，2 条没有内容，已跳过，1 条被服务器拒绝.\n第3条「」: 快捷语内容格式错误");
}

TEST_F(ShortcutPanelTest, ImportOfAnEmptySheetSaysSo) {
  const std::string book = Root() + "/empty.xlsx";
  writeWorkbook(book, 0);
  DuiLib::SetFileDialogHook([&](bool, const OPENFILENAMEA&) { return book; });
  CShortcutPanel panel(m_host, m_pTree);
  Select(m_pGroupA);
  panel.ImportShortCut();
  ASSERT_TRUE(PumpUntil([&] { return !panel.GetImporter().IsRunning(); }));
  EXPECT_EQ(m_boxes, std::vector<std::string>{"快捷语导入|未读取到有效数据."});
  EXPECT_EQ(m_server.Count(), 0u);
}

TEST_F(ShortcutPanelTest, CancelledFileChoiceImportsNothing) {
  DuiLib::SetFileDialogHook([&](bool, const OPENFILENAMEA&) { return std::string(); });
  CShortcutPanel panel(m_host, m_pTree);
  Select(m_pGroupA);
  panel.ImportShortCut();
  EXPECT_FALSE(panel.GetImporter().IsRunning());
  EXPECT_TRUE(m_host.progress.empty());
}

TEST_F(ShortcutPanelTest, GroupDeletedDuringImportGetsNothingAndNothingCrashes) {
  std::vector<WECHATKUAIJIEDATA> rows(5, {"t", "c"});
  m_server.Reply(R"({"resultCode":1,"obj":["9"]})");
  CShortcutImporter importer;
  bool done = false;
  ASSERT_TRUE(importer.Start(
      m_pTree, "2", "unused", {},
      [&](const TImportOutcome& outcome) {
        done = true;
        EXPECT_EQ(outcome.nAdded, 5);
      },
      [&](const std::string&) { return rows; }));
  CShortcutTree(m_pTree).RemoveNode(m_pGroupB);
  ASSERT_TRUE(PumpUntil([&] { return done; }));
  EXPECT_EQ(Names(), (std::vector<std::string>{"1", "11", "12", "-1"}));
}

TImportOutcome Outcome(int rows, int added, int failed, bool cancelled) {
  TImportOutcome outcome;
  outcome.nRows = rows;
  outcome.nAdded = added;
  outcome.nFailed = failed;
  outcome.bCancelled = cancelled;
  return outcome;
}

TEST(ShortcutImportText, Outcomes) {
  EXPECT_EQ(CShortcutImporter::OutcomeText(Outcome(0, 0, 0, false)), "未读取到有效数据.");
  EXPECT_EQ(CShortcutImporter::OutcomeText(Outcome(20, 20, 0, false)), "");
  EXPECT_EQ(CShortcutImporter::OutcomeText(Outcome(20, 5, 0, true)), "已导入 5 条，导入已取消.");
}

}  // namespace
