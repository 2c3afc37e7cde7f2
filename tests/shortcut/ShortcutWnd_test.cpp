// The quick-message editor offscreen against the reference server: groups, the five content
// slots, the range markers, the conversions of the content page, pictures and their limit,
// and the save on its worker thread.
#include "shortcut/ShortcutWnd.h"

#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "shortcut/ImageCache.h"
#include "shortcut/ShortcutJson.h"
#include "tests/platform/ui/ui_test_util.h"
#include "tests/support/TestFiles.h"
#include "tests/windows/WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

using namespace DuiLib;
using windows_test::CWindowsTest;

constexpr std::uintmax_t kLimit = 2097152;

// A 24-bit Windows bitmap of w × h pixels, padded with zeros to `size` bytes when given.
void WriteBitmap(const std::string& path, int w, int h, std::uintmax_t size = 0) {
  testing_support::WriteTestBitmap(path, w, h);
  if (size > std::filesystem::file_size(path)) std::filesystem::resize_file(path, size);
}

class ShortcutWndTest : public CWindowsTest {
 protected:
  void SetUp() override {
    CWindowsTest::SetUp();
    CConnServer conn;
    ASSERT_EQ(conn.Login("13800000000", "demo1234"), 0) << conn.m_strResultMsg.str();
    StoreSignInValues(conn);
    ASSERT_TRUE(m_dialog.Build(R"(<Window><TreeView name="shortcut_tree"/></Window>)", 300, 600));
    m_pTree = m_dialog.Find<CTreeViewUI>("shortcut_tree");
    ASSERT_NE(m_pTree, nullptr);
    CShortcutTree tree(m_pTree);
    tree.CreateSentinel();
    SetFileDialogHook([this](bool, const OPENFILENAMEA&) { return m_strPicked; });
  }
  void TearDown() override {
    SetFileDialogHook({});
    for (auto& editor : m_vecEditors)
      if (::IsWindow(editor->GetHWND())) ::DestroyWindow(editor->GetHWND());
    CWindowsTest::TearDown();
  }

  CShortcutWnd& Editor(int mode) {
    m_vecEditors.push_back(std::make_unique<CShortcutWnd>(m_pTree, mode));
    CShortcutWnd& editor = *m_vecEditors.back();
    EXPECT_TRUE(Open(editor));
    editor.GetPaintManager().UpdateLayout();
    return editor;
  }
  CTreeNodeUI* AddGroup(const std::string& title) {
    CConnServer conn;
    const int id = conn.AddShortcutGrp(title, GetLoginToken());
    EXPECT_GT(id, 0);
    CShortcutTree tree(m_pTree);
    return tree.AddGroupNode(std::to_string(id), title, tree.FindSentinel());
  }
  void Select(CTreeNodeUI* node) { m_pTree->SelectItem(node->GetTreeIndex(), false, false); }
  static CRichEditUI* RichEdit(CShortcutWnd& w, const char* name = "shortcut_richedit") {
    return static_cast<CRichEditUI*>(Find(w, name));
  }
  // Writes a text item into the next free slot through the content page.
  static void AddText(CShortcutWnd& w, const std::string& text) {
    Click(w, "add_content_btn");
    Notify(w, "shortcut_richedit", DUI_MSGTYPE_SETFOCUS);
    RichEdit(w)->SetText(text.c_str());
    Click(w, "add_content_ok");
  }
  static std::string SlotData(CShortcutWnd& w, int n) {
    return Find(w, ("shortcut_content_type" + std::to_string(n)).c_str())->GetUserData().str();
  }
  static bool RowVisible(CShortcutWnd& w, int n) {
    return Visible(w, ("list_container" + std::to_string(n)).c_str());
  }
  // The segment list that committing the rich edit's content gives.
  static std::string Commit(CShortcutWnd& w) {
    const int slot = w.FindFreeContentSlot();
    Click(w, "add_content_btn");
    Click(w, "add_content_ok");
    return slot > 0 ? SlotData(w, slot) : std::string();
  }
  static void TypeEmoji(CShortcutWnd& w, int n) {
    RichEdit(w)->SetSel(-1, -1);
    Click(w, ("sign_emotion_" + std::to_string(n)).c_str());
  }
  static void TypeText(CShortcutWnd& w, const std::string& text) {
    RichEdit(w)->SetSel(-1, -1);
    RichEdit(w)->ReplaceSel(text.c_str());
  }
  std::string Picture(const std::string& name, int w, int h, std::uintmax_t size = 0) {
    const std::string path = Root() + "/" + name;
    WriteBitmap(path, w, h, size);
    return path;
  }
  // The server's group of that id (null when it has none).
  Json::Value ServerGroup(const std::string& id) {
    for (const Json::Value& group : ServerList())
      if (CShortcutJson::MemberText(group, "msgGroupId") == id) return group;
    return Json::Value();
  }
  // The server's library, as its list reply holds it.
  Json::Value ServerList() {
    CConnServer conn;
    CDuiString path;
    EXPECT_EQ(conn.GetShortcutList(GetLoginToken(), &path), 0);
    Json::Value root;
    CShortcutJson::Parse(ReadFile(path.str()), root);
    return root["msgList"];
  }

  uitest::TDialog m_dialog;
  CTreeViewUI* m_pTree = nullptr;
  std::string m_strPicked;
  std::vector<std::unique_ptr<CShortcutWnd>> m_vecEditors;
};

TEST_F(ShortcutWndTest, EachModeShowsItsViewAndSize) {
  CShortcutWnd& group = Editor(CShortcutWnd::kModeNewGroup);
  EXPECT_TRUE(Visible(group, "shortcut_addgroup_view"));
  EXPECT_FALSE(Visible(group, "shortcut_add_view"));
  RECT rc{};
  ::GetClientRect(group.GetHWND(), &rc);
  EXPECT_EQ(rc.right - rc.left, 600);
  EXPECT_EQ(rc.bottom - rc.top, 360);
  EXPECT_EQ(Text(group, "shortcut_groupname_edit"), CShortcutWnd::kGroupHint);

  CShortcutWnd& message = Editor(CShortcutWnd::kModeNewMessage);
  EXPECT_FALSE(Visible(message, "shortcut_addgroup_view"));
  EXPECT_TRUE(Visible(message, "shortcut_add_view"));
  ::GetClientRect(message.GetHWND(), &rc);
  EXPECT_EQ(rc.right - rc.left, 640);
  EXPECT_EQ(rc.bottom - rc.top, 660);
  EXPECT_EQ(RichEdit(message)->GetLimitText(), 1000);
  EXPECT_TRUE(Visible(message, "label_empty"));
}

TEST_F(ShortcutWndTest, GroupTitleEqualToItsHintIsRefusedLikeAnEmptyOne) {
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewGroup);
  const size_t before = m_pTree->GetCount();
  const Json::Value::ArrayIndex groups = ServerList().size();
  Click(w, "add_shortcutgroup_btn");
  EXPECT_EQ(Text(w, "shortcut_tip"), CShortcutWnd::kGroupHint);
  EXPECT_TRUE(Visible(w, "shortcut_tip"));
  Type(w, "shortcut_groupname_edit", "");
  EXPECT_EQ(Text(w, "shortcut_groupname_edit"), CShortcutWnd::kGroupHint) << "the hint is back";
  Click(w, "add_shortcutgroup_btn");
  EXPECT_EQ(static_cast<size_t>(m_pTree->GetCount()), before);
  EXPECT_TRUE(::IsWindow(w.GetHWND()));
  EXPECT_EQ(ServerList().size(), groups);
}

TEST_F(ShortcutWndTest, NewGroupGoesBeforeTheSentinelAndIsSelected) {
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewGroup);
  Type(w, "shortcut_groupname_edit", "售前问候");
  EXPECT_TRUE(PressKey(w, VK_RETURN) || true);
  EXPECT_TRUE(PumpUntilClosed(w.GetHWND()));
  ASSERT_EQ(m_pTree->GetCount(), 2);
  auto* group = static_cast<CTreeNodeUI*>(m_pTree->GetItemAt(0));
  EXPECT_EQ(group->GetItemText(), "售前问候");
  EXPECT_EQ(m_pTree->GetCurSel(), 0);
  EXPECT_TRUE(CShortcutTree::IsSentinel(m_pTree->GetItemAt(1)));
  EXPECT_NE(ReadFile(UserFolder() + "mfls.xml").find("售前问候"), std::string::npos);
  EXPECT_EQ(ServerGroup(group->GetName().str())["groupTitle"].asString(), "售前问候");
}

TEST_F(ShortcutWndTest, GroupAddThatReturnsZeroShowsTheGenericTextAndAddsNothing) {
  m_server.Reply(R"({"resultCode":1,"resultMsg":"ok"})");
  UseWebServer(m_server.BaseUrl());
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewGroup);
  Type(w, "shortcut_groupname_edit", "售后");
  Click(w, "add_shortcutgroup_btn");
  EXPECT_EQ(Text(w, "shortcut_tip"), "请求失败，请联系管理员.");
  EXPECT_EQ(m_pTree->GetCount(), 1);
  EXPECT_TRUE(::IsWindow(w.GetHWND()));
  EXPECT_FALSE(FileExists(UserFolder() + "mfls.xml"));
}

TEST_F(ShortcutWndTest, RenameFillsTheNameAndSavesIt) {
  CTreeNodeUI* group = AddGroup("旧名字");
  Select(group);
  CShortcutWnd& w = Editor(CShortcutWnd::kModeEditGroup);
  EXPECT_EQ(Text(w, "shortcut_groupname_edit"), "旧名字");
  Type(w, "shortcut_groupname_edit", "新名字");
  Click(w, "add_shortcutgroup_btn");
  EXPECT_TRUE(PumpUntilClosed(w.GetHWND()));
  EXPECT_EQ(group->GetItemText(), "新名字");
  EXPECT_EQ(ServerGroup(group->GetName().str())["groupTitle"].asString(), "新名字");
}

TEST_F(ShortcutWndTest, TheSixthItemIsRefusedWithTheLimitMessage) {
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  for (int i = 1; i <= 5; ++i) AddText(w, "第" + std::to_string(i) + "条");
  for (int i = 1; i <= 5; ++i) EXPECT_TRUE(RowVisible(w, i)) << i;
  EXPECT_EQ(w.FindFreeContentSlot(), -1);
  Click(w, "add_content_btn");
  ASSERT_EQ(m_vecBoxes.size(), 1u);
  EXPECT_EQ(m_vecBoxes[0].text, CShortcutWnd::kSlotLimitText);
  EXPECT_EQ(m_vecBoxes[0].caption, "提示");
  EXPECT_EQ(m_vecBoxes[0].type, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_TRUE(Visible(w, "shortcut_add_view"));
  EXPECT_FALSE(Visible(w, "shortcut_add_content"));
}

TEST_F(ShortcutWndTest, DeletingSlotTwoOfThreeMovesThreeUpAndHidesRowThree) {
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  AddText(w, "一");
  AddText(w, "二");
  AddText(w, "三");
  const std::string third = SlotData(w, 3);
  Click(w, "del_btn_2");
  EXPECT_EQ(SlotData(w, 2), third);
  EXPECT_EQ(RichEdit(w, "richedit_content_2")->GetText(), "三");
  EXPECT_TRUE(SlotData(w, 3).empty());
  EXPECT_TRUE(RowVisible(w, 1));
  EXPECT_TRUE(RowVisible(w, 2));
  EXPECT_FALSE(RowVisible(w, 3));
  EXPECT_FALSE(Visible(w, "label_empty"));
  EXPECT_EQ(w.FindFreeContentSlot(), 3);

  Click(w, "del_btn_1");
  Click(w, "del_btn_1");
  EXPECT_TRUE(Visible(w, "label_empty")) << "the only item deleted";
  EXPECT_FALSE(RowVisible(w, 1));
}

TEST_F(ShortcutWndTest, SortButtonOneExchangesWithAFreeSlotFive) {
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  AddText(w, "一");
  AddText(w, "二");
  const std::string first = SlotData(w, 1);
  Click(w, "sort_btn_1");
  EXPECT_TRUE(SlotData(w, 1).empty()) << "slot 1 now shows as free";
  EXPECT_EQ(SlotData(w, 5), first);
  EXPECT_FALSE(RowVisible(w, 5)) << "row 5 stays hidden";
  EXPECT_EQ(Text(w, "Button_content_1"), CShortcutWnd::kFreeSlotText);
  EXPECT_EQ(w.FindFreeContentSlot(), 1);

  Click(w, "sort_btn_2");
  EXPECT_EQ(Text(w, "shortcut_content_type1"), CShortcutWnd::kTextItem);
  EXPECT_EQ(RichEdit(w, "richedit_content_1")->GetText(), "二");
}

TEST_F(ShortcutWndTest, MarkerValuesAndTheirPlaces) {
  EXPECT_EQ(CShortcutWnd::RangeValue(40), 2);
  EXPECT_EQ(CShortcutWnd::RangeValue(587), 200);
  EXPECT_EQ(CShortcutWnd::RangeLeft(2), 40);
  EXPECT_EQ(CShortcutWnd::RangeLeft(200), 587);
  // A placed marker reads back its value, so saving an unchanged message keeps its range.
  for (int value = 2; value <= 200; ++value)
    EXPECT_EQ(CShortcutWnd::RangeValue(CShortcutWnd::RangeLeft(value)), value) << value;
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  EXPECT_EQ(Find(w, "begin_btn")->GetPos().left, 40);
  EXPECT_EQ(Find(w, "end_btn")->GetPos().left, 587);
  EXPECT_EQ(Find(w, "begin_btn")->GetParent()->GetPos().right, 600);
}

TEST_F(ShortcutWndTest, DraggedMarkersStopAtEachOtherAndAtTheTrack) {
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  CControlUI* begin = Find(w, "begin_btn");
  CControlUI* end = Find(w, "end_btn");
  const int y = begin->GetPos().top + 6;
  auto drag = [&](CControlUI* marker, const std::vector<int>& xs) {
    const int x0 = marker->GetPos().left + 6;
    w.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x0, y));
    for (int x : xs) w.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
    w.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(xs.back(), y));
  };
  // The end marker to the middle, then the begin marker far past it.
  drag(end, {400, 300});
  EXPECT_EQ(end->GetPos().left, 587 - 193 - 100);
  drag(begin, {100, 200, 300, 380, 590});
  EXPECT_EQ(begin->GetPos().right, end->GetPos().left) << "stopped on the end marker";
  // Outside the track nothing moves.
  const int left = begin->GetPos().left;
  drag(begin, {left + 6, 10});
  EXPECT_EQ(begin->GetPos().left, left);
  // The end marker stops at the track's right edge.
  drag(end, {450, 599});
  EXPECT_EQ(end->GetPos().right, 600);
  EXPECT_EQ(CShortcutWnd::RangeValue(end->GetPos().left), 200);
  // The begin marker stops at the track's left edge.
  drag(begin, {300, 41});
  EXPECT_EQ(begin->GetPos().left, 40);
  const CShortcutDraft draft = w.TakeDraft("1", "");
  EXPECT_EQ(draft.nLeftRange, 2);
  EXPECT_EQ(draft.nRightRange, 200);
}

TEST_F(ShortcutWndTest, OneCharacterBeforeAPictureEmojiIsARunOfItsOwn) {
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  Click(w, "add_content_btn");
  Notify(w, "shortcut_richedit", DUI_MSGTYPE_SETFOCUS);
  TypeText(w, "a");
  TypeEmoji(w, 5);
  TypeText(w, "好的");
  EXPECT_EQ(
      Commit(w),
      R"([{"content":"a","type":"1"},{"content":"5","type":"2"},{"content":"好的","type":"1"}])");
  CRichEditUI* preview = RichEdit(w, "richedit_content_1");
  ASSERT_EQ(preview->GetObjectCount(), 1) << "the preview shows it";
  // At the size of a line of text, so that the one-line row needs no scroll bar.
  const TEmbeddedObjectUI emoji = preview->GetEmbeddedObjects()[0];
  EXPECT_EQ(emoji.szDisplay.cx, CShortcutWnd::kEmojiDisplaySize);
  EXPECT_EQ(emoji.szDisplay.cy, CShortcutWnd::kEmojiDisplaySize);
  w.GetPaintManager().UpdateLayout();
  EXPECT_EQ(preview->GetScrollRange().cy, 0);
}

TEST_F(ShortcutWndTest, TwoAdjacentPictureEmojiHaveNoRunBetweenThem) {
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  Notify(w, "shortcut_richedit", DUI_MSGTYPE_SETFOCUS);
  TypeEmoji(w, 20);
  TypeEmoji(w, 20);
  TypeEmoji(w, 177);
  EXPECT_EQ(
      Commit(w),
      R"([{"content":"20","type":"2"},{"content":"20","type":"2"},{"content":"177","type":"2"}])");
}

TEST_F(ShortcutWndTest, OnlyOnePictureEmojiGivesOneSegment) {
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  TypeEmoji(w, 1);  // clicking an emoji clears the hint first
  EXPECT_EQ(Commit(w), R"([{"content":"1","type":"2"}])");
}

TEST_F(ShortcutWndTest, TheHintAloneIsAnEmptyItem) {
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  EXPECT_EQ(RichEdit(w)->GetText(), CShortcutWnd::kContentHint);
  Click(w, "add_content_btn");
  Click(w, "add_content_ok");
  EXPECT_EQ(Text(w, "shortcut_tip"), "请输入快捷语内容.");
  EXPECT_TRUE(Visible(w, "shortcut_add_content")) << "stays on the content page";
  EXPECT_TRUE(SlotData(w, 1).empty());
}

TEST_F(ShortcutWndTest, TextEmoticonGoesInAsItsBracketedName) {
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  Click(w, "QQ_emtion_1");
  TypeText(w, "您好");
  EXPECT_EQ(RichEdit(w)->GetText(), "[微笑]您好");
  EXPECT_EQ(Commit(w), R"([{"content":"[微笑]您好","type":"1"}])");
}

TEST_F(ShortcutWndTest, EditContentBringsTheItemBackIntoThePage) {
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  TypeText(w, "");
  TypeEmoji(w, 3);
  TypeText(w, "在的");
  Commit(w);
  Click(w, "edit_btn_1");
  EXPECT_TRUE(Visible(w, "shortcut_add_content"));
  EXPECT_EQ(w.GetCurrentSlot(), 1);
  ASSERT_EQ(RichEdit(w)->GetEmbeddedObjects().size(), 1u);
  EXPECT_EQ(RichEdit(w)->GetEmbeddedObjects()[0].dwUser, 3u);
  EXPECT_EQ(RichEdit(w)->GetTextRange(1, -1), "在的");
  Click(w, "add_content_ok");
  EXPECT_EQ(SlotData(w, 1), R"([{"content":"3","type":"2"},{"content":"在的","type":"1"}])");
  EXPECT_EQ(w.FindFreeContentSlot(), 2) << "edited in place";
}

TEST_F(ShortcutWndTest, FitImageRectCases) {
  const RECT area{0, 0, 200, 100};
  auto fit = [&](int w, int h) {
    const RECT r = CShortcutWnd::FitImageRect(RECT{0, 0, w, h}, area);
    return std::vector<long>{r.left, r.top, r.right, r.bottom};
  };
  EXPECT_EQ(fit(100, 50), (std::vector<long>{50, 25, 150, 75}));
  EXPECT_EQ(fit(100, 200), (std::vector<long>{75, 0, 125, 100}));
  // Wide pictures are scaled to the area's width, centred, instead of vanishing.
  EXPECT_EQ(fit(300, 50), (std::vector<long>{0, 33, 200, 66}));
  EXPECT_EQ(fit(200, 50), (std::vector<long>{0, 25, 200, 75}));
  EXPECT_EQ(fit(400, 400), (std::vector<long>{50, 0, 150, 100})) << "never taller than the area";
  EXPECT_EQ(fit(0, 0), (std::vector<long>{0, 0, 0, 0}));
}

TEST_F(ShortcutWndTest, APictureOfExactlyTwoMebibytesIsTakenOneByteMoreIsNot) {
  const std::string exact = Picture("exact.bmp", 64, 32, kLimit);
  const std::string over = Picture("over.bmp", 64, 32, kLimit + 1);
  ASSERT_EQ(std::filesystem::file_size(exact), kLimit);
  ASSERT_EQ(std::filesystem::file_size(over), kLimit + 1);
  EXPECT_EQ(CShortcutDraft::CheckPicture(exact), "");
  EXPECT_EQ(CShortcutDraft::CheckPicture(over), CShortcutDraft::kPictureTooBig);

  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  Click(w, "add_content_btn");
  Notify(w, "image_shortcut_element", DUI_MSGTYPE_SELECTCHANGED);
  m_strPicked = over;
  Click(w, "upload_img_btn");
  EXPECT_EQ(Text(w, "shortcut_tip"), "图片文件大于2M,请重新选择合适的图片文件.");
  EXPECT_TRUE(Find(w, "upload_img_display")->GetUserData().IsEmpty());
  m_strPicked = exact;
  Click(w, "upload_img_btn");
  EXPECT_FALSE(Visible(w, "shortcut_tip"));
  EXPECT_EQ(Find(w, "upload_img_display")->GetUserData(), exact.c_str());
  Click(w, "add_content_ok");
  EXPECT_EQ(Text(w, "shortcut_content_type1"), CShortcutWnd::kPictureItem);
  EXPECT_EQ(SlotData(w, 1), exact);
}

TEST_F(ShortcutWndTest, AFileThatIsNoPictureIsRefused) {
  const std::string path = Root() + "/note.png";
  WriteFile(path, "not a picture at all");
  EXPECT_EQ(CShortcutDraft::CheckPicture(path), CShortcutDraft::kPictureUnreadable);
  EXPECT_EQ(CShortcutDraft::CheckPicture(Root()), CShortcutDraft::kPictureUnreadable);
  EXPECT_EQ(CShortcutDraft::CheckPicture(Root() + "/missing.png"),
            CShortcutDraft::kPictureUnreadable);
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  m_strPicked = path;
  Click(w, "upload_img_display");
  EXPECT_EQ(Text(w, "shortcut_tip"), CShortcutDraft::kPictureUnreadable);
  Click(w, "add_content_btn");
  Notify(w, "image_shortcut_element", DUI_MSGTYPE_SELECTCHANGED);
  Click(w, "add_content_ok");
  EXPECT_EQ(Text(w, "shortcut_tip"), "请添加图片.");
}

TEST_F(ShortcutWndTest, MessageIsSavedOnTheWorkerAndEditedAgain) {
  CTreeNodeUI* group = AddGroup("售后");
  Select(group);
  const std::string photo = Picture("photo.bmp", 120, 80);
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  Type(w, "shortcut_name_edit", "退货说明");
  Click(w, "QQ_emtion_1");
  TypeText(w, "您好");
  TypeEmoji(w, 20);
  Commit(w);
  Click(w, "add_content_btn");
  Notify(w, "image_shortcut_element", DUI_MSGTYPE_SELECTCHANGED);
  m_strPicked = photo;
  Click(w, "upload_img_btn");
  Click(w, "add_content_ok");
  Notify(w, "text_shortcut_element", DUI_MSGTYPE_SELECTCHANGED);
  AddText(w, "七天无理由退货");
  Click(w, "add_shortcut_btn");
  EXPECT_TRUE(w.IsBusy());
  EXPECT_FALSE(::IsWindowEnabled(w.GetHWND())) << "disabled while the worker runs";
  ASSERT_TRUE(PumpUntilClosed(w.GetHWND())) << Text(w, "shortcut_tip");
  ASSERT_EQ(group->GetCountChild(), 1);
  CTreeNodeUI* node = group->GetChildNode(0);
  EXPECT_EQ(node->GetItemText(), "退货说明");
  Json::Value message;
  ASSERT_TRUE(CShortcutJson::Parse(node->GetUserData().str(), message));
  const Json::Value& details = message["msgDetailList"];
  ASSERT_EQ(details.size(), 3u);
  EXPECT_EQ(details[0]["msgDetail"].asString(),
            R"([{"content":"[微笑]您好","type":"1"},{"content":"20","type":"2"}])");
  EXPECT_EQ(details[1]["detailType"].asInt(), 2);
  const std::string cached = details[1]["downLoadURL"].asString();
  EXPECT_EQ(ReadFile(cached), ReadFile(photo)) << "the cache holds the uploaded bytes";
  EXPECT_EQ(details[2]["sort"].asInt(), 3);
  EXPECT_EQ(message["msgGroupId"].asString(), group->GetName().str());
  EXPECT_FALSE(message.isMember("msgContentId"));
  EXPECT_NE(ReadFile(UserFolder() + "mfls.xml").find("退货说明"), std::string::npos);
  EXPECT_TRUE(FilesContaining(UserFolder(), "upload-").empty()) << "the upload copy is gone";

  // Edit it: opened filled, slot 1 deleted, the picture moved up, saved again.
  Select(node);
  CShortcutWnd& edit = Editor(CShortcutWnd::kModeEditMessage);
  EXPECT_EQ(Text(edit, "shortcut_name_edit"), "退货说明");
  EXPECT_EQ(Text(edit, "shortcut_content_type2"), CShortcutWnd::kPictureItem);
  EXPECT_EQ(RichEdit(edit, "richedit_content_1")->GetObjectCount(), 1);
  EXPECT_FALSE(Visible(edit, "label_empty"));
  Click(edit, "del_btn_1");
  Click(edit, "sort_btn_2");
  Type(edit, "shortcut_name_edit", "退货");
  Click(edit, "add_shortcut_btn");
  ASSERT_TRUE(PumpUntilClosed(edit.GetHWND())) << Text(edit, "shortcut_tip");
  EXPECT_EQ(node->GetItemText(), "退货");
  const Json::Value server = ServerGroup(group->GetName().str())["msgContentList"][0];
  EXPECT_EQ(server["contentTitle"].asString(), "退货");
  ASSERT_EQ(server["msgDetailList"].size(), 2u);
  EXPECT_EQ(server["msgDetailList"][0]["msgDetail"].asString(),
            R"([{"content":"七天无理由退货","type":"1"}])");
  EXPECT_EQ(server["msgDetailList"][1]["detailType"].asInt(), 2);
}

TEST_F(ShortcutWndTest, APictureChangedAfterItWasPickedSavesNothing) {
  CTreeNodeUI* group = AddGroup("图片");
  Select(group);
  const std::string photo = Picture("photo.bmp", 40, 30);
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  Type(w, "shortcut_name_edit", "图");
  Click(w, "add_content_btn");
  Notify(w, "image_shortcut_element", DUI_MSGTYPE_SELECTCHANGED);
  m_strPicked = photo;
  Click(w, "upload_img_btn");
  Click(w, "add_content_ok");
  WriteFile(photo, "garbage now");
  Click(w, "add_shortcut_btn");
  ASSERT_TRUE(PumpUntil([&] { return !w.IsBusy(); }));
  EXPECT_EQ(Text(w, "shortcut_tip"), CShortcutDraft::kPictureUnreadable);
  EXPECT_TRUE(::IsWindowEnabled(w.GetHWND()));
  EXPECT_EQ(group->GetCountChild(), 0);
  EXPECT_TRUE(ServerGroup(group->GetName().str())["msgContentList"].empty());
  // Grown past the limit: the size message.
  Picture("photo.bmp", 40, 30, kLimit + 1);
  Click(w, "add_shortcut_btn");
  ASSERT_TRUE(PumpUntil([&] { return !w.IsBusy(); }));
  EXPECT_EQ(Text(w, "shortcut_tip"), CShortcutDraft::kPictureTooBig);
}

TEST_F(ShortcutWndTest, MissingTitleOrContentSendsNothing) {
  CTreeNodeUI* group = AddGroup("组");
  Select(group);
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  Click(w, "add_shortcut_btn");
  EXPECT_EQ(Text(w, "shortcut_tip"), CShortcutWnd::kNameHint);
  EXPECT_FALSE(w.IsBusy());
  Type(w, "shortcut_name_edit", "空的");
  Click(w, "add_shortcut_btn");
  ASSERT_TRUE(PumpUntil([&] { return !w.IsBusy(); }));
  EXPECT_EQ(Text(w, "shortcut_tip"), "请输入快捷语内容.");
  EXPECT_EQ(group->GetCountChild(), 0);
}

TEST_F(ShortcutWndTest, EscapeThenCancelKeepsTheWindowAndItsContent) {
  CShortcutWnd& w = Editor(CShortcutWnd::kModeNewMessage);
  Type(w, "shortcut_name_edit", "草稿");
  AddText(w, "留着");
  m_nBoxAnswer = IDCANCEL;
  PressKey(w, VK_ESCAPE);
  ASSERT_EQ(m_vecBoxes.size(), 1u);
  EXPECT_EQ(m_vecBoxes[0].text, CShortcutWnd::kEscapeQuestion);
  EXPECT_EQ(m_vecBoxes[0].caption, "确认");
  EXPECT_EQ(m_vecBoxes[0].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
  PumpMessages();
  EXPECT_TRUE(::IsWindow(w.GetHWND()));
  EXPECT_EQ(Text(w, "shortcut_name_edit"), "草稿");
  EXPECT_EQ(SlotData(w, 1), R"([{"content":"留着","type":"1"}])");
  m_nBoxAnswer = IDOK;
  PressKey(w, VK_ESCAPE);
  EXPECT_TRUE(PumpUntilClosed(w.GetHWND()));
}

TEST_F(ShortcutWndTest, EditingAMessageWhosePictureIsCachedDoesNotDownloadIt) {
  CTreeNodeUI* group = AddGroup("缓存");
  const std::string cached = ::CImageCache::Folder() + "kept.bmp";
  WriteBitmap(cached, 10, 10);
  // An address nothing answers: a download would leave no file and a log line.
  const std::string json =
      R"({"contentTitle":"有图","leftRange":20,"msgDetailList":[{"detailType":2,"downLoadURL":"http://127.0.0.1:)" +
      std::to_string(RefusingPort()) + R"(/x","msgDetail":"kept.bmp","sort":1}],"rightRange":150})";
  CShortcutTree tree(m_pTree);
  Select(tree.AddShortcutNode(group, "9", "有图", json));
  CShortcutWnd& w = Editor(CShortcutWnd::kModeEditMessage);
  EXPECT_EQ(SlotData(w, 1), cached);
  EXPECT_EQ(Find(w, "begin_btn")->GetPos().left, CShortcutWnd::RangeLeft(20));
  EXPECT_EQ(CShortcutWnd::RangeValue(Find(w, "end_btn")->GetPos().left), 150) << "no drift";
}

TEST_F(ShortcutWndTest, AnUnreadableMessageOpensEmpty) {
  CTreeNodeUI* group = AddGroup("坏");
  CShortcutTree tree(m_pTree);
  Select(tree.AddShortcutNode(group, "9", "坏", "{not json"));
  CShortcutWnd& w = Editor(CShortcutWnd::kModeEditMessage);
  EXPECT_EQ(Text(w, "shortcut_name_edit"), CShortcutWnd::kNameHint);
  EXPECT_TRUE(Visible(w, "label_empty"));
}

}  // namespace
