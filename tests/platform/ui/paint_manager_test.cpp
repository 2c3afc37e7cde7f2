// The paint manager and WindowImplBase: notify map, control timers, queued notifications,
// windows built from skin files (also broken ones), modal results, keys and Qt editors.
#include "tests/platform/ui/ui_test_util.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QWidget>

#include <chrono>
#include <fstream>
#include <thread>

using namespace DuiLib;
using uitest::TDialog;

namespace {

bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    PumpMessages();
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class CBasePump : public CNotifyPump {
 public:
  std::vector<std::string> calls;
  void OnAnyClick(TNotifyUI& msg) { calls.push_back("base-click:" + msg.pSender->GetName().str()); }
  void OnSelect(TNotifyUI&) { calls.push_back("base-select"); }
  DUI_DECLARE_MESSAGE_MAP()
};
DUI_BEGIN_MESSAGE_MAP(CBasePump, CNotifyPump)
DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, CBasePump::OnAnyClick)
DUI_ON_MSGTYPE(DUI_MSGTYPE_ITEMSELECT, CBasePump::OnSelect)
DUI_END_MESSAGE_MAP()

class CDerivedPump : public CBasePump {
 public:
  void OnClick(TNotifyUI&) { calls.push_back("click"); }
  void OnOk(TNotifyUI&) { calls.push_back("ok"); }
  DUI_DECLARE_MESSAGE_MAP()
};
DUI_BEGIN_MESSAGE_MAP(CDerivedPump, CBasePump)
DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, CDerivedPump::OnClick)
DUI_ON_CLICK_CTRNAME("ok", CDerivedPump::OnOk)
DUI_END_MESSAGE_MAP()

TNotifyUI notification(const char* type, CControlUI* sender) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = sender;
  return msg;
}

}  // namespace

TEST(NotifyMap, NamedEntryWinsThenTypeThenBaseMap) {
  CControlUI ok, other;
  ok.SetName("ok");
  other.SetName("other");
  CDerivedPump pump;
  TNotifyUI m1 = notification(DUI_MSGTYPE_CLICK, &ok), m2 = notification(DUI_MSGTYPE_CLICK, &other),
            m3 = notification(DUI_MSGTYPE_ITEMSELECT, &other), m4 = notification("nothing", &other);
  EXPECT_TRUE(pump.NotifyPump(m1));
  EXPECT_TRUE(pump.NotifyPump(m2));
  EXPECT_TRUE(pump.NotifyPump(m3));
  EXPECT_FALSE(pump.NotifyPump(m4));
  EXPECT_EQ(pump.calls, (std::vector<std::string>{"ok", "click", "base-select"}));
  CBasePump base;
  EXPECT_TRUE(base.NotifyPump(m1));
  EXPECT_EQ(base.calls, (std::vector<std::string>{"base-click:ok"}));
}

TEST(PaintManager, ControlTimersTickUntilKilledAndDieWithTheControl) {
  TDialog d;
  ASSERT_TRUE(d.Build(
      R"(<Window><VerticalLayout><Button name="b"/><Button name="c"/></VerticalLayout></Window>)"));
  CControlUI* b = d.Find("b");
  ASSERT_TRUE(d.pm.SetTimer(b, 7, 5));
  ASSERT_TRUE(pumpUntil([&] { return d.log.Of({"timer"}).size() >= 2; }));
  EXPECT_EQ(d.log.last.wParam, 7u);
  EXPECT_TRUE(d.pm.KillTimer(b, 7));
  EXPECT_FALSE(d.pm.KillTimer(b, 7));
  d.log.entries.clear();
  CControlUI* c = d.Find("c");
  d.pm.SetTimer(c, 1, 1);
  static_cast<CContainerUI*>(d.root)->Remove(c);  // the timer goes with the control
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_TRUE(d.log.Of({"timer"}).empty());
}

TEST(PaintManager, AsyncNotificationsArriveLaterAndSkipRemovedSenders) {
  TDialog d;
  ASSERT_TRUE(d.Build(
      R"(<Window><VerticalLayout><Button name="b"/><Button name="c"/></VerticalLayout></Window>)"));
  d.pm.SendNotify(d.Find("b"), "custom", 1, 2, true);
  d.pm.SendNotify(d.Find("c"), "custom", 3, 4, true);
  EXPECT_TRUE(d.log.entries.empty());
  static_cast<CContainerUI*>(d.root)->Remove(d.Find("c"));
  ASSERT_TRUE(pumpUntil([&] { return !d.log.entries.empty(); }));
  QCoreApplication::processEvents();
  EXPECT_EQ(d.log.entries, (std::vector<std::string>{"custom:b"}));
  EXPECT_EQ(d.log.last.lParam, 2);
}

TEST(PaintManager, NotifierRemovingItselfDuringNotifyIsSafe) {
  TDialog d;
  ASSERT_TRUE(d.Build(R"(<Window><Button name="b"/></Window>)"));
  struct COnce : INotifyUI {
    CPaintManagerUI* pm;
    int count = 0;
    void Notify(TNotifyUI&) override {
      ++count;
      pm->RemoveNotifier(this);
    }
  } once;
  once.pm = &d.pm;
  d.pm.AddNotifier(&once);
  d.pm.SendNotify(d.Find("b"), "x");
  d.pm.SendNotify(d.Find("b"), "y");
  EXPECT_EQ(once.count, 1);
  EXPECT_EQ(d.log.entries.size(), 2u);
}

// ---- Windows built from skin files ----

namespace {

class CSkinWnd : public WindowImplBase {
 public:
  CSkinWnd(std::string folder, std::string file)
      : m_folder(std::move(folder)), m_file(std::move(file)) {}
  std::vector<std::string> events;
  bool foundInInit = false;

  void InitWindow() override {
    events.push_back("init");
    foundInInit = m_PaintManager.FindControl("ok") != nullptr;
  }
  void OnClick(TNotifyUI& msg) override {
    events.push_back("click:" + msg.pSender->GetName().str());
    WindowImplBase::OnClick(msg);
  }
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, BOOL& bHandled) override {
    bHandled = FALSE;
    if (uMsg == WM_USER + 5) {
      events.push_back("user:" + std::to_string(wParam));
      bHandled = TRUE;
    }
    return 0;
  }
  CControlUI* CreateControl(LPCTSTR pstrClass) override {
    if (strcasecmp(pstrClass, "WebChat") != 0) return nullptr;
    auto* custom = new CLabelUI;
    custom->SetText("custom");
    return custom;
  }
  CPaintManagerUI& Pm() { return m_PaintManager; }

 protected:
  CDuiString GetSkinFolder() override { return m_folder.c_str(); }
  CDuiString GetSkinFile() override { return m_file.c_str(); }
  LPCTSTR GetWindowClassName() const override { return "UITestSkinWnd"; }

 private:
  std::string m_folder, m_file;
};

struct TSkinFolder {
  QTemporaryDir dir;
  std::string Path() const { return dir.path().toStdString() + "/"; }
  void Write(const char* name, const char* xml) { std::ofstream(Path() + name) << xml; }
};

const char* kDialogSkin = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="320,200" caption="0,0,0,30">
  <VerticalLayout bkcolor="#FFFFFFFF">
    <HorizontalLayout height="30"><Label name="title" text="标题"/><Button name="closebtn" width="30"/></HorizontalLayout>
    <Button name="ok" text="OK" height="30"/>
    <Edit name="edit" height="30"/>
    <WebChat name="custom"/>
    <Control/>
  </VerticalLayout>
</Window>)";

}  // namespace

class SkinWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::EnsureApp();
    folder.Write("dialog.xml", kDialogSkin);
  }
  TSkinFolder folder;
};

TEST_F(SkinWindow, BuildsFromFileSizesFromSkinAndCallsInitWindowLast) {
  CSkinWnd wnd(folder.Path(), "dialog.xml");
  ASSERT_NE(wnd.Create(nullptr, "test", UI_WNDSTYLE_FRAME, 0, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(wnd.events, (std::vector<std::string>{"init"}));
  EXPECT_TRUE(wnd.foundInInit);
  RECT rc{};
  ::GetClientRect(wnd.GetHWND(), &rc);
  EXPECT_EQ(rc.right - rc.left, 320);
  EXPECT_EQ(rc.bottom - rc.top, 200);
  ASSERT_NE(wnd.Pm().FindControl("custom"), nullptr);  // from CreateControl
  EXPECT_STREQ(wnd.Pm().FindControl("custom")->GetText(), "custom");
  // A click through window messages reaches the notify map; WM_USER+n reaches the hook.
  wnd.Pm().UpdateLayout();
  const RECT& ok = wnd.Pm().FindControl("ok")->GetPos();
  const LPARAM at = MAKELPARAM((ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2);
  wnd.SendMessage(WM_MOUSEMOVE, 0, at);
  wnd.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
  wnd.SendMessage(WM_LBUTTONUP, 0, at);
  wnd.SendMessage(WM_USER + 5, 42, 0);
  EXPECT_EQ(wnd.events, (std::vector<std::string>{"init", "click:ok", "user:42"}));
  // The caption drags the window; a button in it does not.
  POINT caption{100, 10};
  ::ClientToScreen(wnd.GetHWND(), &caption);
  EXPECT_EQ(wnd.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(caption.x, caption.y)), HTCAPTION);
  POINT body{100, 100};
  ::ClientToScreen(wnd.GetHWND(), &body);
  EXPECT_EQ(wnd.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(body.x, body.y)), HTCLIENT);
  ::DestroyWindow(wnd.GetHWND());
}

TEST_F(SkinWindow, ShowModalReturnsTheCloseCodeAndEscapeCloses) {
  {
    CSkinWnd wnd(folder.Path(), "dialog.xml");
    ASSERT_NE(wnd.Create(nullptr, "modal", UI_WNDSTYLE_DIALOG, 0, 0, 0, 0, 0), nullptr);
    wnd.Close(7);
    EXPECT_EQ(wnd.ShowModal(), 7u);
  }
  {
    CSkinWnd wnd(folder.Path(), "dialog.xml");
    ASSERT_NE(wnd.Create(nullptr, "modal", UI_WNDSTYLE_DIALOG, 0, 0, 0, 0, 0), nullptr);
    MSG escape{wnd.GetHWND(), WM_KEYDOWN, VK_ESCAPE, 1, 0, {0, 0}};
    CPaintManagerUI::TranslateMessage(&escape);  // the default filter closes with IDOK
    EXPECT_EQ(wnd.ShowModal(), static_cast<UINT>(IDOK));
  }
  {
    CSkinWnd wnd(folder.Path(), "dialog.xml");
    ASSERT_NE(wnd.Create(nullptr, "modal", UI_WNDSTYLE_DIALOG, 0, 0, 0, 0, 0), nullptr);
    wnd.Pm().UpdateLayout();
    const RECT& close = wnd.Pm().FindControl("closebtn")->GetPos();
    const LPARAM at = MAKELPARAM((close.left + close.right) / 2, (close.top + close.bottom) / 2);
    wnd.PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
    wnd.PostMessage(WM_LBUTTONUP, 0, at);
    EXPECT_EQ(wnd.ShowModal(), static_cast<UINT>(IDOK));  // "closebtn" → Close()
  }
}

TEST_F(SkinWindow, EditOpensAQtEditorWithTheFocusAndReportsTyping) {
  CSkinWnd wnd(folder.Path(), "dialog.xml");
  ASSERT_NE(wnd.Create(nullptr, "edit", UI_WNDSTYLE_FRAME, 0, 0, 0, 0, 0), nullptr);
  wnd.ShowWindow(true);
  uitest::CNotifyLog log;
  wnd.Pm().AddNotifier(&log);
  auto* edit = static_cast<CEditUI*>(wnd.Pm().FindControl("edit"));
  edit->SetText("ab");
  edit->SetPasswordMode(true);
  wnd.Pm().UpdateLayout();
  edit->SetFocus();
  ASSERT_TRUE(edit->IsEditing());
  auto* editor = wnd.GetWidget()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->text(), "ab");
  EXPECT_EQ(editor->echoMode(), QLineEdit::Password);
  edit->SetPasswordMode(false);  // switching while editing reaches the editor
  EXPECT_EQ(editor->echoMode(), QLineEdit::Normal);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, "c");
  QApplication::sendEvent(editor, &press);
  EXPECT_STREQ(edit->GetText(), "abc");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(editor, &enter);
  EXPECT_EQ(log.Of({"textchanged", "return"}),
            (std::vector<std::string>{"textchanged:edit", "return:edit"}));
  wnd.Pm().FindControl("ok")->SetFocus();  // the editor closes, the text stays
  EXPECT_FALSE(edit->IsEditing());
  EXPECT_STREQ(edit->GetText(), "abc");
  EXPECT_EQ(log.Of({"killfocus"}), (std::vector<std::string>{"killfocus:edit"}));
  wnd.Pm().RemoveNotifier(&log);
  ::DestroyWindow(wnd.GetHWND());
}

TEST_F(SkinWindow, BrokenSkinsGiveAWindowWithoutTheBrokenPart) {
  folder.Write("malformed.xml",
               "<Window size=\"200,100\"><VerticalLayout><Button name=\"b\"></VerticalLayout>");
  folder.Write(
      "unknown.xml",
      "<Window size=\"200,100\"><VerticalLayout><Gadget name=\"g\"><Button "
      "name=\"inner\"/></Gadget>"
      "<Button name=\"b\" width=\"oops\" bkcolor=\"#zz\"/><Include source=\"missing.xml\"/>"
      "</VerticalLayout></Window>");
  folder.Write("loop.xml",
               "<Window><VerticalLayout><Include source=\"loop.xml\"/></VerticalLayout></Window>");
  for (const char* file : {"absent.xml", "malformed.xml"}) {
    CSkinWnd wnd(folder.Path(), file);
    ASSERT_NE(wnd.Create(nullptr, file, UI_WNDSTYLE_FRAME, 0, 0, 0, 0, 0), nullptr) << file;
    EXPECT_NE(wnd.Pm().GetRoot(), nullptr) << file;
    EXPECT_EQ(wnd.Pm().FindControl("b"), nullptr) << file;
    ::DestroyWindow(wnd.GetHWND());
  }
  CSkinWnd wnd(folder.Path(), "unknown.xml");
  ASSERT_NE(wnd.Create(nullptr, "unknown", UI_WNDSTYLE_FRAME, 0, 0, 0, 0, 0), nullptr);
  EXPECT_EQ(wnd.Pm().FindControl("g"), nullptr);
  EXPECT_EQ(wnd.Pm().FindControl("inner"), nullptr);
  ASSERT_NE(wnd.Pm().FindControl("b"), nullptr);
  EXPECT_EQ(wnd.Pm().FindControl("b")->GetFixedWidth(), 0);
  ::DestroyWindow(wnd.GetHWND());
  CDialogBuilder builder;
  CPaintManagerUI::SetResourcePath(folder.Path().c_str());
  CControlUI* looped = builder.Create("loop.xml");
  ASSERT_NE(looped, nullptr);  // the include loop is cut, the outer layout stays
  delete looped;
  // Two top-level controls: the first is the result, the second is dropped (not leaked).
  CControlUI* first = builder.Create("<Window><Button name=\"a\"/><Button name=\"b\"/></Window>");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetName(), "a");
  EXPECT_NE(builder.GetLastErrorMessage().Find("second top-level"), -1);
  delete first;
  EXPECT_EQ(builder.Create("<Window><VerticalLayout>"), nullptr);
  EXPECT_NE(builder.GetLastErrorMessage().Find("cannot read"), -1);
}
