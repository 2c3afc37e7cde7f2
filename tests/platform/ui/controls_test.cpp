// Controls built from skins: every class found by name, layout rules, option groups, lists,
// trees, links, edits and the rich edit with embedded pictures.
#include "tests/platform/ui/ui_test_util.h"

#include "platform/ui/core/AttributeParser.h"

#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>

using namespace DuiLib;
using uitest::RectText;
using uitest::TDialog;

namespace {

const char* kEveryControl = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="500,400" caption="0,0,0,30" mininfo="300,200">
  <Font id="0" name="Noto Sans CJK SC" size="13" default="true"/>
  <Default name="Button" value="textcolor=&quot;#FF333333&quot;"/>
  <VerticalLayout name="root" bkcolor="#FFFFFFFF">
    <HorizontalLayout name="row" height="30">
      <Label name="label" text="中文标签" width="80"/>
      <Text name="text" text="see {a http://x.test}here{/a}" width="120"/>
      <Button name="button" text="OK" width="60"/>
      <Option name="option" group="g" width="60"/>
      <CheckBox name="check" width="20"/>
      <Edit name="edit" width="80"/>
      <Control name="spacer"/>
    </HorizontalLayout>
    <TabLayout name="tabs" height="40" selectedid="1">
      <Label name="page0" text="zero"/>
      <Label name="page1" text="one"/>
    </TabLayout>
    <RichEdit name="rich" height="60"/>
    <Progress name="progress" height="10" value="30"/>
    <List name="list" height="80" header="hidden">
      <ListContainerElement name="row0" height="20"/>
      <ListLabelElement name="row1" text="second"/>
    </List>
    <TreeView name="tree">
      <TreeNode name="group" text="组">
        <TreeNode name="leaf" text="leaf"/>
      </TreeNode>
    </TreeView>
    <Container name="container" height="10"/>
  </VerticalLayout>
</Window>)";

}  // namespace

TEST(SkinBuild, EveryControlIsBuiltAndFoundByName) {
  TDialog d;
  ASSERT_TRUE(d.Build(kEveryControl, 500, 400));
  const std::pair<const char*, const char*> expected[] = {
      {"root", DUI_CTR_VERTICALLAYOUT}, {"row", DUI_CTR_HORIZONTALLAYOUT},
      {"label", DUI_CTR_LABEL},         {"text", DUI_CTR_TEXT},
      {"button", DUI_CTR_BUTTON},       {"option", DUI_CTR_OPTION},
      {"check", DUI_CTR_CHECKBOX},      {"edit", DUI_CTR_EDIT},
      {"spacer", DUI_CTR_CONTROL},      {"tabs", DUI_CTR_TABLAYOUT},
      {"rich", DUI_CTR_RICHEDIT},       {"progress", DUI_CTR_PROGRESS},
      {"list", DUI_CTR_LIST},           {"row0", DUI_CTR_LISTCONTAINERELEMENT},
      {"row1", DUI_CTR_LISTITEM},       {"tree", DUI_CTR_TREEVIEW},
      {"group", DUI_CTR_TREENODE},      {"leaf", DUI_CTR_TREENODE},
      {"container", DUI_CTR_CONTAINER},
  };
  for (const auto& [name, kind] : expected) {
    CControlUI* control = d.Find(name);
    ASSERT_NE(control, nullptr) << name;
    EXPECT_NE(control->GetInterface(kind), nullptr) << name << " is not a " << kind;
  }
  EXPECT_EQ(d.Find("missing"), nullptr);
  EXPECT_EQ(d.pm.GetInitSize().cx, 500);
  EXPECT_EQ(d.pm.GetCaptionRect().bottom, 30);
  EXPECT_EQ(d.pm.GetMinInfo().cx, 300);
  EXPECT_STREQ(d.Find("label")->GetText(), "中文标签");
  EXPECT_EQ(d.Find<CButtonUI>("button")->GetTextColor(), 0xFF333333u);  // from <Default>
  EXPECT_EQ(d.Find<CTabLayoutUI>("tabs")->GetCurSel(), 1);
  EXPECT_EQ(d.Find<CProgressUI>("progress")->GetValue(), 30);
  EXPECT_EQ(d.Find<CListUI>("list")->GetCount(), 2);
  auto* tree = d.Find<CTreeViewUI>("tree");
  EXPECT_EQ(tree->GetCount(), 2);
  EXPECT_EQ(d.Find<CTreeNodeUI>("leaf")->GetParentNode(), d.Find<CTreeNodeUI>("group"));
  EXPECT_STREQ(d.Find<CTreeNodeUI>("group")->GetItemText(), "组");
}

TEST(Layout, FixedStretchPaddingChildPaddingAndFloat) {
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><HorizontalLayout name="h" inset="10,5,10,5" childpadding="4">
      <Control name="fixed" width="50" padding="3,0,2,0"/>
      <Control name="s1"/>
      <Control name="s2" maxwidth="40"/>
      <Control name="s3"/>
      <Control name="floater" float="true" pos="7,8,27,18"/>
    </HorizontalLayout></Window>)",
                      300, 100));
  // Inner width 280: fixed 50 + padding 5 + 3 gaps of 4 = 67 → 213 for three stretchables.
  EXPECT_EQ(RectText(d.Find("fixed")->GetPos()), "13,5,63,95");
  EXPECT_EQ(RectText(d.Find("s1")->GetPos()), "69,5,140,95");
  EXPECT_EQ(d.Find("s2")->GetWidth(), 40);  // clamped by maxwidth
  // The last stretchable takes the rounding remainder of the share.
  EXPECT_EQ(d.Find("s3")->GetPos().left, 188);
  EXPECT_EQ(RectText(d.Find("floater")->GetPos()), "7,8,27,18");
  EXPECT_EQ(d.Find("floater")->GetFixedXY().cx, 7);
}

TEST(Layout, VerticalFixedHeightsAndHiddenChildren) {
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><VerticalLayout>
      <Control name="a" height="30"/><Control name="b" visible="false" height="500"/>
      <Control name="c"/><Control name="d" height="20" width="100"/>
    </VerticalLayout></Window>)",
                      200, 200));
  EXPECT_EQ(RectText(d.Find("a")->GetPos()), "0,0,200,30");
  EXPECT_EQ(RectText(d.Find("c")->GetPos()), "0,30,200,180");
  EXPECT_EQ(RectText(d.Find("d")->GetPos()), "0,180,100,200");
  d.Find("b")->SetVisible(true);
  d.pm.UpdateLayout();
  EXPECT_EQ(d.Find("c")->GetHeight(), 0);  // nothing left to share
}

TEST(Layout, FloatControlMovedBySetPosKeepsPlaceOnRelayout) {
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><VerticalLayout><Container name="box" height="100">
      <Button name="b" float="true" pos="10,10,30,30"/></Container><Control/></VerticalLayout></Window>)",
                      200, 200));
  CControlUI* b = d.Find("b");
  b->SetPos(RECT{50, 20, 70, 40});
  d.pm.SetClientSize(300, 300);
  d.pm.UpdateLayout();
  EXPECT_EQ(RectText(b->GetPos()), "50,20,70,40");
}

TEST(Layout, ScrollBarAppearsWhenContentIsTaller) {
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><VerticalLayout name="v" vscrollbar="true">
      <Control name="a" height="80"/><Control name="b" height="80"/></VerticalLayout></Window>)",
                      100, 100));
  auto* v = d.Find<CVerticalLayoutUI>("v");
  ASSERT_NE(v->GetVerticalScrollBar(), nullptr);
  EXPECT_TRUE(v->GetVerticalScrollBar()->IsVisible());
  EXPECT_EQ(v->GetScrollRange().cy, 60);
  EXPECT_LT(d.Find("a")->GetPos().right, 100);  // the bar takes its width
  v->EndDown();
  EXPECT_EQ(d.Find("a")->GetPos().top, -60);
  v->SetScrollPos(SIZE{0, 1000});
  EXPECT_EQ(v->GetScrollPos().cy, 60);
}

TEST(Options, GroupIsExclusiveAndNotifiesInOrder) {
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><HorizontalLayout>
      <Option name="o1" group="g" selected="true" width="50"/><Option name="o2" group="g" width="50"/>
      <Option name="solo" width="50"/></HorizontalLayout></Window>)"));
  auto* o1 = d.Find<COptionUI>("o1");
  auto* o2 = d.Find<COptionUI>("o2");
  auto* solo = d.Find<COptionUI>("solo");
  ASSERT_TRUE(o1->IsSelected());
  d.ClickOn(o2);
  EXPECT_TRUE(o2->IsSelected());
  EXPECT_FALSE(o1->IsSelected());
  EXPECT_EQ(d.log.Of({"click", "selectchanged"}),
            (std::vector<std::string>{"click:o2", "selectchanged:o2"}));
  d.log.entries.clear();
  d.ClickOn(o2);  // selecting the selected one changes nothing
  EXPECT_EQ(d.log.Of({"selectchanged"}).size(), 0u);
  d.ClickOn(solo);
  d.ClickOn(solo);
  EXPECT_FALSE(solo->IsSelected());
  EXPECT_EQ(d.log.Of({"selectchanged"}).size(), 2u);
}

TEST(Buttons, ClickNeedsPressAndReleaseInside) {
  TDialog d;
  ASSERT_TRUE(d.Build(
      R"(<Window><HorizontalLayout><Button name="b" width="50"/><Control/></HorizontalLayout></Window>)"));
  d.Mouse(WM_LBUTTONDOWN, 10, 10);
  d.Mouse(WM_MOUSEMOVE, 200, 10);
  d.Mouse(WM_LBUTTONUP, 200, 10);
  EXPECT_TRUE(d.log.Of({"click"}).empty());
  d.Find("b")->SetEnabled(false);
  d.ClickOn(d.Find("b"));
  EXPECT_TRUE(d.log.Of({"click"}).empty());
  d.Find("b")->SetEnabled(true);
  d.ClickOn(d.Find("b"));
  EXPECT_EQ(d.log.Of({"click"}), (std::vector<std::string>{"click:b"}));
}

TEST(Focus, PressMovesFocusWithKillThenSet) {
  TDialog d;
  ASSERT_TRUE(d.Build(
      R"(<Window><HorizontalLayout><Button name="a" width="50"/><Button name="b" width="50"/>
      <Control/></HorizontalLayout></Window>)"));
  d.ClickOn(d.Find("a"));
  d.ClickOn(d.Find("b"));
  EXPECT_EQ(
      d.log.Of({"setfocus", "killfocus", "click"}),
      (std::vector<std::string>{"setfocus:a", "click:a", "killfocus:a", "setfocus:b", "click:b"}));
  EXPECT_EQ(d.pm.GetFocus(), d.Find("b"));
  d.Find("b")->SetVisible(false);  // a hidden control loses the focus
  EXPECT_EQ(d.pm.GetFocus(), nullptr);
}

TEST(List, SelectionClickAndActivateNotifications) {
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><List name="list" header="hidden">
      <ListContainerElement name="r0" height="20"/><ListContainerElement name="r1" height="20"/>
      <ListContainerElement name="r2" height="20"/></List></Window>)"));
  auto* list = d.Find<CListUI>("list");
  d.ClickOn(d.Find("r1"));
  EXPECT_EQ(list->GetCurSel(), 1);
  EXPECT_EQ(d.log.Of({"itemclick", "itemselect"}),
            (std::vector<std::string>{"itemclick:r1", "itemselect:list"}));
  EXPECT_EQ(d.log.last.wParam, 1u);
  EXPECT_EQ(d.log.last.lParam, -1);
  d.log.entries.clear();
  d.DoubleClickOn(d.Find("r2"));
  EXPECT_EQ(d.log.Of({"itemclick", "itemselect", "itemactivate"}),
            (std::vector<std::string>{"itemclick:r2", "itemselect:list", "itemactivate:r2"}));
  // Selecting the selected item again is a no-op that succeeds.
  d.log.entries.clear();
  EXPECT_TRUE(list->SelectItem(2));
  EXPECT_TRUE(d.log.entries.empty());
  EXPECT_FALSE(list->SelectItem(7));
  EXPECT_EQ(list->GetCurSel(), -1);
}

// A wheel notch scrolls three rows, as desktop lists do; Page Up and Page Down a page.
TEST(List, TheWheelScrollsThreeRowsANotchAndThePageKeysAPage) {
  std::string xml = R"(<Window><List name="list" header="hidden" vscrollbar="true">)";
  for (int i = 0; i < 40; ++i)
    xml += R"(<ListContainerElement name="r)" + std::to_string(i) + R"(" height="20"/>)";
  xml += "</List></Window>";
  TDialog d;
  ASSERT_TRUE(d.Build(xml.c_str(), 200, 100));
  auto* list = d.Find<CListUI>("list");
  const auto send = [&](int type, WPARAM wParam, LPARAM lParam, WPARAM key) {
    TEventUI event;
    event.Type = type;
    event.pSender = list;
    event.ptMouse = POINT{50, 50};
    event.wParam = wParam;
    event.lParam = lParam;
    event.chKey = static_cast<decltype(event.chKey)>(key);
    list->Event(event);
  };
  send(UIEVENT_SCROLLWHEEL, MAKEWPARAM(1, 0), -120, 0);
  EXPECT_EQ(list->GetScrollPos().cy, 60);
  send(UIEVENT_SCROLLWHEEL, MAKEWPARAM(1, 0), -240, 0);  // two notches at once
  EXPECT_EQ(list->GetScrollPos().cy, 180);
  send(UIEVENT_SCROLLWHEEL, MAKEWPARAM(0, 0), 120, 0);
  EXPECT_EQ(list->GetScrollPos().cy, 120);
  send(UIEVENT_KEYDOWN, 0, 0, VK_NEXT);
  EXPECT_EQ(list->GetScrollPos().cy, 220);
  send(UIEVENT_KEYDOWN, 0, 0, VK_PRIOR);
  send(UIEVENT_KEYDOWN, 0, 0, VK_PRIOR);
  EXPECT_EQ(list->GetScrollPos().cy, 20);
}

TEST(List, RemovingTheSelectedRowRenumbersAndMovesTheSelection) {
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><List name="list"><ListContainerElement name="r0" height="20"/>
      <ListContainerElement name="r1" height="20"/><ListContainerElement name="r2" height="20"/></List></Window>)"));
  auto* list = d.Find<CListUI>("list");
  list->SelectItem(1);
  ASSERT_TRUE(list->RemoveAt(1));
  EXPECT_EQ(d.Find("r1"), nullptr);  // gone from the name map at once
  EXPECT_EQ(list->GetCount(), 2);
  auto* r2 = static_cast<IListItemUI*>(d.Find("r2")->GetInterface(DUI_CTR_LISTITEM));
  EXPECT_EQ(r2->GetIndex(), 1);
  EXPECT_EQ(list->GetCurSel(), 1);
}

TEST(List, AClickHandlerMayRemoveTheRowItClicked) {
  // The row (and its button) are deleted from the event loop, after the click returns.
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><List name="list"><ListContainerElement name="r0" height="30">
      <Button name="kick_off" float="true" pos="0,0,20,20"/></ListContainerElement></List></Window>)"));
  struct CKick : INotifyUI {
    CListUI* list;
    void Notify(TNotifyUI& msg) override {
      if (msg.sType == DUI_MSGTYPE_CLICK) list->Remove(msg.pSender->GetParent());
    }
  } kick;
  kick.list = d.Find<CListUI>("list");
  d.pm.AddNotifier(&kick);
  d.Click(5, 5);
  EXPECT_EQ(kick.list->GetCount(), 0);
  EXPECT_EQ(d.Find("kick_off"), nullptr);
  QCoreApplication::processEvents();
  d.Click(5, 5);  // nothing there any more, nothing crashes
}

TEST(Tree, ItemIndexesStayRightThroughInsertsAndRemovals) {
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><TreeView name="tree"/></Window>)"));
  auto* tree = d.Find<CTreeViewUI>("tree");
  std::vector<CTreeNodeUI*> groups;
  for (int g = 0; g < 5; ++g) {
    groups.push_back(new CTreeNodeUI);
    ASSERT_TRUE(tree->Add(groups.back()));
    for (int m = 0; m < 3; ++m) ASSERT_TRUE(groups.back()->AddChildNode(new CTreeNodeUI));
  }
  ASSERT_TRUE(groups[1]->AddChildNodeAt(new CTreeNodeUI, 0));
  tree->Remove(groups[3]);
  auto* loose = new CTreeNodeUI;
  EXPECT_EQ(tree->GetItemIndex(loose), -1);
  EXPECT_FALSE(tree->AddAt(groups[0], 2));  // already in the tree
  for (int i = 0; i < tree->GetCount(); ++i) EXPECT_EQ(tree->GetItemIndex(tree->GetItemAt(i)), i);
  EXPECT_EQ(groups[4]->GetTreeIndex(), 13);
  delete loose;
}

TEST(Tree, NodesAreListItemsInTreeOrderAroundAHiddenLastNode) {
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><TreeView name="tree"/></Window>)"));
  auto* tree = d.Find<CTreeViewUI>("tree");
  auto* sentinel = new CTreeNodeUI;
  sentinel->SetName("-1");
  tree->Add(sentinel);
  sentinel->SetVisible(false);
  auto makeNode = [](const char* name) {
    auto* node = new CTreeNodeUI;
    node->SetName(name);
    node->SetItemText(name);
    return node;
  };
  CTreeNodeUI* g1 = makeNode("g1");
  CTreeNodeUI* g2 = makeNode("g2");
  ASSERT_TRUE(tree->AddAt(g1, sentinel));
  ASSERT_TRUE(g1->AddChildNode(makeNode("m1")));
  ASSERT_TRUE(tree->AddAt(g2, sentinel));
  ASSERT_TRUE(g1->AddChildNode(makeNode("m2")));
  ASSERT_TRUE(g2->AddChildNode(makeNode("m3")));
  std::vector<std::string> order;
  for (int i = 0; i < tree->GetCount(); ++i) order.push_back(tree->GetItemAt(i)->GetName().str());
  EXPECT_EQ(order, (std::vector<std::string>{"g1", "m1", "m2", "g2", "m3", "-1"}));
  EXPECT_EQ(g1->GetCountChild(), 2);
  EXPECT_EQ(g1->GetChildNode(1)->GetName(), "m2");
  EXPECT_EQ(g1->GetChildNode(1)->GetParentNode(), g1);
  EXPECT_EQ(g2->GetTreeIndex(), 3);
  EXPECT_EQ(g2->GetNodeIndex(), 1);
  // A message node's grandparent is the tree (node → list body → tree).
  EXPECT_EQ(g1->GetChildNode(0)->GetParent()->GetParent(), tree);
  // Removing a group takes its messages.
  tree->Remove(g1);
  EXPECT_EQ(tree->GetCount(), 3);
  EXPECT_EQ(d.Find("m1"), nullptr);
  EXPECT_EQ(static_cast<IListItemUI*>(g2->GetInterface(DUI_CTR_LISTITEM))->GetIndex(), 0);
}

TEST(Tree, FolderButtonCollapsesExpandsAndNodesNotify) {
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><TreeView name="tree">
      <TreeNode name="g" text="group" folderattr="width=&quot;13&quot; height=&quot;13&quot; padding=&quot;10,2,10,0&quot;">
        <TreeNode name="m" text="message"/><TreeNode name="m2" text="second"/></TreeNode>
      <TreeNode name="h" text="other"/></TreeView></Window>)"));
  auto* g = d.Find<CTreeNodeUI>("g");
  auto* tree = d.Find<CTreeViewUI>("tree");
  EXPECT_EQ(g->GetFolderButton()->GetFixedWidth(), 13);
  EXPECT_EQ(g->GetFolderButton()->GetPadding().left, 10);
  d.ClickOn(g->GetFolderButton());
  EXPECT_TRUE(g->GetFolderButton()->IsSelected());
  EXPECT_FALSE(d.Find("m")->IsVisible());
  EXPECT_FALSE(g->IsExpanded());
  g->Expand(true);
  EXPECT_TRUE(d.Find("m2")->IsVisible());
  d.log.entries.clear();
  d.DoubleClickOn(d.Find("m2"));
  EXPECT_EQ(d.log.Of({"itemclick", "itemselect", "itemdbclick"}),
            (std::vector<std::string>{"itemclick:m2", "itemselect:tree", "itemdbclick:m2"}));
  EXPECT_EQ(tree->GetCurSel(), 2);
  tree->SetAttribute("bkimage", "file='none.png' dest='80,160,201,278' source='0,0,121,118'");
  EXPECT_STREQ(tree->GetBkImage(), "file='none.png' dest='80,160,201,278' source='0,0,121,118'");
}

TEST(Text, LinksByIndexAndPoint) {
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><VerticalLayout><Text name="t" height="40"
      text="{a}http://a.test{/a} and {a http://b.test}B{/a}"/><Control/></VerticalLayout></Window>)"));
  auto* text = d.Find<CTextUI>("t");
  ASSERT_EQ(text->GetLinkContentCount(), 2);
  EXPECT_STREQ(*text->GetLinkContent(0), "http://a.test");
  EXPECT_STREQ(*text->GetLinkContent(1), "http://b.test");
  EXPECT_EQ(text->GetLinkContent(5), nullptr);
  EXPECT_EQ(text->GetPlainText(), "http://a.test and B");
  // A click on the first characters hits link 0 and raises "link".
  const RECT& rc = text->GetPos();
  d.Click(rc.left + 3, rc.top + 6);
  ASSERT_EQ(d.log.Of({"link"}), (std::vector<std::string>{"link:t"}));
  EXPECT_EQ(d.log.last.wParam, 0u);
  EXPECT_STREQ(text->GetLinkContent(d.log.last.ptMouse), "http://a.test");
  EXPECT_STREQ(text->GetLinkContent(POINT{rc.right - 1, rc.bottom - 1}), "");
}

TEST(Text, MarkupIsEscapedAndUnknownTagsStay) {
  std::vector<CDuiString> links;
  const CDuiString html = MarkupToRichText("<b>{x}{a}1&2{/a}", links, 0xFF0000FF);
  EXPECT_NE(html.Find("&lt;b&gt;"), -1);
  EXPECT_NE(html.Find("{x}"), -1);
  ASSERT_EQ(links.size(), 1u);
  EXPECT_STREQ(links[0], "1&2");
  MarkupToRichText("{a}never closed", links, 0);
  EXPECT_STREQ(links[0], "");
}

TEST(Edit, PasswordModeLimitTextChangedAndReturn) {
  uitest::EnsureApp();
  QWidget host;
  host.resize(300, 100);
  // A manager needs a window for Qt editors: give the edit one through a real window in the
  // window tests; here the editor-less behaviour.
  TDialog d;
  ASSERT_TRUE(
      d.Build(R"(<Window><HorizontalLayout><Edit name="e" password="true" maxchar="4" width="100"/>
      <Control/></HorizontalLayout></Window>)"));
  auto* edit = d.Find<CEditUI>("e");
  EXPECT_TRUE(edit->IsPasswordMode());
  edit->SetAttribute("password", "false");
  EXPECT_FALSE(edit->IsPasswordMode());
  edit->SetAttribute("password", "true");
  edit->SetPasswordChar('#');
  EXPECT_EQ(edit->GetPasswordChar(), '#');
  EXPECT_EQ(edit->GetMaxChar(), 4u);
  edit->SetText("密码");
  EXPECT_STREQ(edit->GetText(), "密码");
  edit->SetAttribute("password", "maybe");  // bad value: logged, unchanged
  EXPECT_TRUE(edit->IsPasswordMode());
  // Without a window no editor opens, and the focus still notifies.
  edit->SetFocus();
  EXPECT_FALSE(edit->IsEditing());
  EXPECT_EQ(d.log.Of({"setfocus"}), (std::vector<std::string>{"setfocus:e"}));
  edit->OnEditorTextEdited("abc");
  edit->OnEditorReturn();
  EXPECT_EQ(d.log.Of({"textchanged", "return"}),
            (std::vector<std::string>{"textchanged:e", "return:e"}));
  EXPECT_STREQ(edit->GetText(), "abc");
}

namespace {

// Two small pictures in a temporary folder.
struct TPictures {
  QTemporaryDir dir;
  std::string red, blue;
  TPictures() {
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::red);
    red = (dir.path() + "/1.png").toStdString();
    image.save(QString::fromStdString(red));
    image.fill(Qt::blue);
    blue = (dir.path() + "/2.png").toStdString();
    image.save(QString::fromStdString(blue));
  }
};

}  // namespace

TEST(RichEdit, TextWithPicturesRoundTripsWithUserValuesAndPositions) {
  uitest::EnsureApp();
  TPictures pictures;
  CRichEditUI rich;
  rich.SetText("a");
  rich.SetSel(-1, -1);
  ASSERT_TRUE(rich.InsertPicture(pictures.red.c_str(), 17));
  rich.ReplaceSel("bc");
  ASSERT_TRUE(rich.InsertPicture(pictures.blue.c_str(), 4));
  ASSERT_TRUE(rich.InsertPicture(pictures.blue.c_str(), 4));  // equal neighbours stay two objects
  rich.ReplaceSel("汉字");
  EXPECT_FALSE(rich.InsertPicture("/no/such/picture.png", 9));
  const std::vector<TEmbeddedObjectUI> objects = rich.GetEmbeddedObjects();
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[0].cp, 1);
  EXPECT_EQ(objects[0].dwUser, 17u);
  EXPECT_EQ(objects[1].cp, 4);
  EXPECT_EQ(objects[2].cp, 5);
  EXPECT_EQ(objects[2].dwUser, 4u);
  EXPECT_EQ(rich.GetTextLength(), 8);
  // The runs between the pictures read back exactly.
  EXPECT_STREQ(rich.GetTextRange(0, objects[0].cp), "a");
  EXPECT_STREQ(rich.GetTextRange(objects[0].cp + 1, objects[1].cp), "bc");
  EXPECT_STREQ(rich.GetTextRange(objects[2].cp + 1, -1), "汉字");
  EXPECT_EQ(rich.GetObjectCount(), 3);
}

TEST(RichEdit, PictureShowsAtItsDisplaySizeAndKeepsItsDetailOnAScaledScreen) {
  uitest::EnsureApp();
  // A 48 × 48 picture, left half red and right half blue, shown at 24 × 24.
  QTemporaryDir dir;
  QImage halves(48, 48, QImage::Format_ARGB32);
  halves.fill(Qt::red);
  for (int y = 0; y < 48; ++y)
    for (int x = 24; x < 48; ++x) halves.setPixelColor(x, y, Qt::blue);
  const std::string file = (dir.path() + "/halves.png").toStdString();
  ASSERT_TRUE(halves.save(QString::fromStdString(file)));
  CRichEditUI rich;
  rich.SetPos(RECT{0, 0, 200, 100});
  rich.SetTextColor(0xFF000000);
  ASSERT_TRUE(rich.InsertPicture(file.c_str(), 1, SIZE{24, 24}));
  ASSERT_TRUE(rich.InsertPicture(file.c_str(), 2));               // its own size
  ASSERT_TRUE(rich.InsertPicture(file.c_str(), 3, SIZE{12, 0}));  // the height follows
  const std::vector<TEmbeddedObjectUI> objects = rich.GetEmbeddedObjects();
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[0].szDisplay.cx, 24);
  EXPECT_EQ(objects[0].szDisplay.cy, 24);
  EXPECT_EQ(objects[1].szDisplay.cx, 48);
  EXPECT_EQ(objects[2].szDisplay.cx, 12);
  EXPECT_EQ(objects[2].szDisplay.cy, 12);

  // Drawn on a device of scale 2, the first picture fills 48 × 48 device pixels with its own
  // pixels: the colour edge falls in the middle, not smeared over a scaled-up 24 × 24.
  CRichEditUI one;
  one.SetPos(RECT{0, 0, 100, 40});
  ASSERT_TRUE(one.InsertPicture(file.c_str(), 1, SIZE{24, 24}));
  QImage device(200, 80, QImage::Format_ARGB32);
  device.setDevicePixelRatio(2);
  device.fill(Qt::white);
  {
    QPainter painter(&device);
    one.PaintText(&painter);
  }
  // The text box starts at the inset (2, 2): the picture covers device x 4 to 51.
  const int y = 4 + 24;
  EXPECT_EQ(device.pixelColor(4 + 23, y), QColor(Qt::red));
  EXPECT_EQ(device.pixelColor(4 + 24, y), QColor(Qt::blue));
  EXPECT_EQ(device.pixelColor(4 + 47, y), QColor(Qt::blue));
  EXPECT_EQ(device.pixelColor(4 + 49, y), QColor(Qt::white));
}

TEST(RichEdit, SelectionInsertReplaceLimitAndLines) {
  uitest::EnsureApp();
  CRichEditUI rich;
  rich.SetPos(RECT{0, 0, 200, 100});
  rich.SetText("hello world");
  rich.SetSel(6, 11);
  EXPECT_STREQ(rich.GetSelText(), "world");
  rich.ReplaceSel("there");
  EXPECT_STREQ(rich.GetText(), "hello there");
  rich.InsertText(0, ">");
  EXPECT_STREQ(rich.GetText(), ">hello there");
  long start = 0, end = 0;
  rich.SetSel(100, 200);  // clamped
  rich.GetSel(start, end);
  EXPECT_EQ(start, 12);
  EXPECT_EQ(end, 12);
  rich.SetText("1\n2\n3");
  EXPECT_EQ(rich.GetLineCount(), 3);
  rich.SetLimitText(5);
  rich.SetSel(-1, -1);
  rich.ReplaceSel("45678");
  EXPECT_EQ(rich.GetTextLength(), 5);
  rich.SetText("");
  EXPECT_EQ(rich.GetLineCount(), 1);
}

TEST(Progress, ValueIsClamped) {
  CProgressUI progress;
  progress.SetMaxValue(50);
  progress.SetValue(80);
  EXPECT_EQ(progress.GetValue(), 50);
  progress.SetValue(-3);
  EXPECT_EQ(progress.GetValue(), 0);
}

TEST(Attributes, BadValuesAreIgnoredAndKnownOnesApply) {
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><VerticalLayout><Label name="l" width="abc" height="20"
      bkcolor="#nothex" textcolor="0xFF112233" padding="1,2" visible="perhaps" endellipsis="true"/>
      </VerticalLayout></Window>)"));
  auto* label = d.Find<CLabelUI>("l");
  EXPECT_EQ(label->GetFixedWidth(), 0);
  EXPECT_EQ(label->GetFixedHeight(), 20);
  EXPECT_EQ(label->GetBkColor(), 0u);
  EXPECT_EQ(label->GetTextColor(), 0xFF112233u);
  EXPECT_EQ(label->GetPadding().left, 0);
  EXPECT_TRUE(label->IsVisible());
  EXPECT_NE(label->GetTextStyle() & DT_END_ELLIPSIS, 0u);
}

TEST(Attributes, ParsersAcceptDuiLibSpellingsAndRejectGarbage) {
  RECT rc{};
  EXPECT_TRUE(ParseAttrRect("64, 20, 135, 60", rc));
  EXPECT_EQ(RectText(rc), "64,20,135,60");
  EXPECT_FALSE(ParseAttrRect("1,2,3", rc));
  EXPECT_FALSE(ParseAttrRect("a,b,c,d", rc));
  DWORD color = 0;
  EXPECT_TRUE(ParseAttrColor("0xFF008CEE", color));
  EXPECT_EQ(color, 0xFF008CEEu);
  EXPECT_TRUE(ParseAttrColor("#008CEE", color));
  EXPECT_EQ(color, 0xFF008CEEu);
  EXPECT_FALSE(ParseAttrColor("#123456789", color));
  EXPECT_FALSE(ParseAttrColor("", color));
  bool flag = false;
  EXPECT_TRUE(ParseAttrBool("TRUE", flag));
  EXPECT_TRUE(flag);
  EXPECT_FALSE(ParseAttrBool("1", flag));
  std::vector<std::pair<std::string, std::string>> pairs;
  EXPECT_TRUE(ParseAttributeList(
      "padding=\"10, 2, 10, 0\" normalimage=\"file='a.png' source='0,0,13,13'\" ", pairs));
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[1].second, "file='a.png' source='0,0,13,13'");
  pairs.clear();
  EXPECT_FALSE(ParseAttributeList("width=\"13\" broken", pairs));
  EXPECT_EQ(pairs.size(), 1u);
}

TEST(Painting, BackgroundsImagesWithDestAndMaskAndHiddenControls) {
  uitest::EnsureApp();
  QTemporaryDir dir;
  QImage picture(4, 4, QImage::Format_ARGB32);
  picture.fill(QColor(0, 255, 0));
  picture.setPixel(0, 0, qRgb(255, 0, 255));  // the mask colour: becomes transparent
  picture.save(dir.path() + "/green.png");
  CPaintManagerUI::SetResourcePath(dir.path().toStdString().c_str());
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><HorizontalLayout bkcolor="#FFFFFFFF">
      <Control name="blue" width="20" bkcolor="#FF0000FF"/>
      <Button name="img" width="20" normalimage="file='green.png' dest='4,4,12,12' mask='#FFFF00FF'"/>
      <Control name="hidden" width="20" bkcolor="#FFFF0000" visible="false"/>
      <Control/></HorizontalLayout></Window>)",
                      100, 20));
  QImage canvas(100, 20, QImage::Format_ARGB32);
  canvas.fill(Qt::black);
  QPainter painter(&canvas);
  d.pm.Paint(&painter, RECT{0, 0, 100, 20});
  painter.end();
  EXPECT_EQ(canvas.pixelColor(10, 10), QColor(0, 0, 255));
  EXPECT_EQ(canvas.pixelColor(20 + 8, 8), QColor(0, 255, 0));  // inside dest
  EXPECT_EQ(canvas.pixelColor(20 + 2, 2),
            QColor(255, 255, 255));  // outside dest: the layout's white
  EXPECT_EQ(canvas.pixelColor(20 + 4, 4), QColor(255, 255, 255));  // the masked corner
  EXPECT_EQ(canvas.pixelColor(50, 10), QColor(255, 255, 255));  // the hidden red one is not drawn
  CPaintManagerUI::SetResourcePath("");
}
