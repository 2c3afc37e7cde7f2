// The quick-message panel in the real main frame, against the reference server (in this
// process) and a stand-in chat client, on a real X server (bare or under openbox, started
// around this program by scripts/xvfb-run-wm.sh). The tests share one frame and build on
// each other in the order written.
#include "app/Settings.h"
#include "chrome/MenuWnd.h"
#include "mainframe/MainFrameWnd.h"
#include "mainframe/WebchatElementUI.h"
#include "mainframe/WebchatListUI.h"
#include "mainframe/WebchatMan.h"
#include "platform/ui/window/MessageLoop.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "shortcut/ShortcutPanel.h"
#include "shortcut/ShortcutWnd.h"
#include "tests/support/GuiScript.h"
#include "tests/support/GuiWait.h"
#include "tests/support/Processes.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WorkbenchSession.h"
#include "windows/ContactNoteDlg.h"

#include <gtest/gtest.h>
#include <json/json.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using DuiLib::CTreeNodeUI;
using testing_support::Pump;
using testing_support::PumpUntil;

struct TSession {
  testing_support::TWorkbenchSession env;
  fs::path root;  // env.root
  std::string programDir;
  CMainFrameWnd* frame = nullptr;
  std::vector<std::string> boxes;  // "caption|text" of every message box
  std::string picture;             // the uploaded picture, as a file
  std::string pictureFigures;      // "W H sha256" as the stand-in hashes it
  std::string firstKey;
};
TSession* s_session = nullptr;

void writeWorkbook(const std::string& path, int rows, const std::string& prefix) {
  lxw_workbook* book = workbook_new(path.c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  worksheet_write_string(sheet, 0, 0, "标题", nullptr);
  worksheet_write_string(sheet, 0, 1, "内容", nullptr);
  for (int r = 1; r <= rows; ++r) {
    worksheet_write_string(sheet, r, 0, (prefix + std::to_string(r)).c_str(), nullptr);
    worksheet_write_string(sheet, r, 1, ("导入的回复" + std::to_string(r)).c_str(), nullptr);
  }
  workbook_close(book);
}

// Starts a program without waiting for it: the GUI thread keeps running while it acts.
pid_t spawnCommand(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid = -1;
  return pid;
}

std::string textItem(const std::string& text, int sort) {
  return R"({"detailType":1,"msgDetail":"[{\"content\":\")" + text +
         R"(\",\"type\":\"1\"}]","sort":)" + std::to_string(sort) + "}";
}

class ShortcutE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();

  TSession& S() { return *s_session; }
  CShortcutPanel& Panel() { return *S().frame->GetShortcutPanel(); }
  DuiLib::CTreeViewUI* Tree() { return Panel().GetTree(); }
  CWebchatMan& Manager() { return *S().frame->GetWebchatMan(); }

  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0; i < Tree()->GetCount(); ++i)
      names.push_back(Tree()->GetItemAt(i)->GetName().str());
    return names;
  }
  // The titles of the rows drawn as under the pointer.
  std::vector<std::string> HotRows() {
    std::vector<std::string> hot;
    for (int i = 0; i < Tree()->GetCount(); ++i) {
      auto* node = static_cast<CTreeNodeUI*>(Tree()->GetItemAt(i));
      if (node->IsHot()) hot.push_back(node->GetItemText().str());
    }
    return hot;
  }
  CTreeNodeUI* NodeTitled(const std::string& title) {
    for (int i = 0; i < Tree()->GetCount(); ++i) {
      auto* node = static_cast<CTreeNodeUI*>(Tree()->GetItemAt(i));
      if (node->GetItemText() == title.c_str()) return node;
    }
    return nullptr;
  }
  std::string SelectedKey() {
    CWebchatListUI* list = S().frame->GetWebchatList();
    DuiLib::CControlUI* row = list->GetItemAt(list->GetCurSel());
    return row ? row->GetName().str() : std::string();
  }
  DWORD ProcessOf(const std::string& key) {
    WECHATRUNDATA data;
    return Manager().GetWeChatRunData(data, key) ? data.dwProcessId : 0;
  }
  std::vector<Json::Value> Transcript(const std::string& key) {
    return S().env.Transcript(ProcessOf(key));
  }
  // Mouse input to the frame, as the window system delivers it.
  void Click(CTreeNodeUI* node, bool twice) {
    S().frame->GetPaintManager().UpdateLayout();
    const RECT rc = node->GetPos();
    const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    HWND frame = S().frame->GetHWND();
    ::SendMessageA(frame, WM_MOUSEMOVE, 0, at);
    ::SendMessageA(frame, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(frame, WM_LBUTTONUP, 0, at);
    if (!twice) return;
    ::SendMessageA(frame, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::SendMessageA(frame, WM_LBUTTONUP, 0, at);
  }
  // A fresh load of the library into a tree of its own, as the next start does.
  std::vector<std::string> LoadedElsewhere() {
    DuiLib::CPaintManagerUI pm;
    DuiLib::CDialogBuilder builder;
    DuiLib::CControlUI* root =
        builder.Create(R"(<Window><TreeView name="t"/></Window>)", nullptr, nullptr, &pm);
    pm.AttachDialog(root);
    auto* tree = static_cast<DuiLib::CTreeViewUI*>(pm.FindControl("t"));
    std::vector<std::string> titles;
    {
      bool done = false;
      CShortcutWnd loader(tree, CShortcutWnd::kModeLoader);
      loader.InitShortcutTree([&](bool) { done = true; });
      EXPECT_TRUE(PumpUntil([&] { return done; }, 20000));
    }
    for (int i = 0; i < tree->GetCount(); ++i)
      titles.push_back(static_cast<CTreeNodeUI*>(tree->GetItemAt(i))->GetItemText().str());
    return titles;
  }
};

void ShortcutE2E::SetUpTestSuite() {
  s_session = new TSession;
  TSession& s = *s_session;
  s.env.Start("shortcut_e2e");
  if (HasFatalFailure()) return;
  s.root = s.env.root;
  s.programDir = s.env.programDir;
  const std::string token = GetLoginToken();
  // A third group: four one-text messages and one of two texts around a picture.
  s.picture = (s.root / "图片.bmp").string();
  testing_support::WriteTestBitmap(s.picture, 40, 30);
  s.pictureFigures = s.env.PictureFigures(s.picture);
  CConnServer upload;
  ASSERT_EQ(upload.UploadPic(token.c_str(), s.picture.c_str(), "图片.bmp"), 0);
  const std::string pictureName = upload.m_strObj.str();
  CConnServer add;
  const int group = add.AddShortcutGrp("促销活动", token.c_str());
  ASSERT_GT(group, 0);
  const std::string groupId = std::to_string(group);
  auto addMessage = [&](const std::string& title, const std::string& details) {
    std::vector<std::string> ids;
    CConnServer conn;
    ASSERT_GT(conn.AddShortcutMsg(
                  (R"({"contentTitle":")" + title + R"(","leftRange":2,"msgDetailList":[)" +
                   details + R"(],"msgGroupId":")" + groupId + R"(","rightRange":200})")
                      .c_str(),
                  ids, token.c_str()),
              0);
  };
  addMessage("满减", textItem("全场满199减20", 1));
  addMessage("包邮", textItem("今天下单全国包邮", 1));
  addMessage("赠品", textItem("买二送一，赠品随机", 1));
  addMessage("图文", textItem("第一段文字", 1) + R"(,{"detailType":2,"msgDetail":")" + pictureName +
                         R"(","downLoadURL":"","sort":2},)" + textItem("第二段文字", 3));
  addMessage("预售", textItem("预售商品付定金锁定优惠", 1));

  DuiLib::SetMessageBoxHook([&s](HWND, const std::string& text, const std::string& caption, UINT) {
    s.boxes.push_back(caption + "|" + text);
    return IDOK;
  });
  s.frame = new CMainFrameWnd();
  ASSERT_TRUE(s.frame->Create(nullptr, "Orvo客服-电商版",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                              0, 0, 0, 1180, 760));
  s.frame->ShowWindow(true, true);
  ASSERT_NE(s.frame->GetPaintManager().FindControl("shortcut_tree"), nullptr)
      << "skin from " << DuiLib::CPaintManagerUI::GetResourcePath().str();  // a link to the
                                                                            // program's skin
  ASSERT_NE(s.frame->GetShortcutPanel(), nullptr);
}

void ShortcutE2E::TearDownTestSuite() {
  TSession& s = *s_session;
  if (s.frame) {
    s.frame->Close(1);
    PumpUntil([&] { return !::IsWindow(s.frame->GetHWND()); }, 10000);
  }
  DuiLib::SetMessageBoxHook({});
  DuiLib::SetFileDialogHook({});
  s.env.Stop();
  delete s_session;
  s_session = nullptr;
}

TEST_F(ShortcutE2E, LibraryLoadsInServerOrderAndTheCopyLogsIn) {
  ASSERT_TRUE(PumpUntil([&] { return Tree()->GetCount() == 14; }, 20000)) << Tree()->GetCount();
  const std::vector<std::string> names = Names();
  EXPECT_EQ(names.back(), "-1");
  std::vector<std::string> titles;
  for (int i = 0; i < Tree()->GetCount() - 1; ++i)
    titles.push_back(static_cast<CTreeNodeUI*>(Tree()->GetItemAt(i))->GetItemText().str());
  EXPECT_EQ(titles, (std::vector<std::string>{"常用问候", "欢迎语", "稍等", "结束语", "售后服务",
                                              "退换货", "物流查询", "促销活动", "满减", "包邮",
                                              "赠品", "图文", "预售"}));
  ASSERT_TRUE(PumpUntil(
      [&] {
        WECHATRUNDATA data;
        const std::string key = SelectedKey();
        return !key.empty() && Manager().GetWeChatRunData(data, key) && data.hMainWnd &&
               Manager().GetCurrWeChat() == key;
      },
      20000));
  S().firstKey = SelectedKey();
  Pump(500);
}

// Keys from the keyboard, not from this program: Ctrl+Enter in the search box sends the
// first hit. First of all, while the keyboard is still the frame's (a cite gives it to the
// client).
TEST_F(ShortcutE2E, CtrlEnterFromTheKeyboardInTheSearchBoxSendsTheFirstHit) {
  const std::string key = S().firstKey;
  DuiLib::CControlUI* edit = S().frame->GetPaintManager().FindControl("shortcut_search");
  ASSERT_NE(edit, nullptr);
  S().frame->GetPaintManager().UpdateLayout();
  const RECT rc = edit->GetPos();
  POINT at{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  ASSERT_TRUE(::ClientToScreen(S().frame->GetHWND(), &at));
  const auto xdotool = [&](const std::vector<std::string>& args) {
    std::vector<std::string> command{"xdotool"};
    command.insert(command.end(), args.begin(), args.end());
    const pid_t pid = spawnCommand(command);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(PumpUntil([&] { return !testing_support::ProcessAlive(pid); }, 10000));
    testing_support::WaitForExit(pid, std::chrono::milliseconds(1000));
    Pump(300);
  };
  xdotool({"mousemove", std::to_string(at.x), std::to_string(at.y), "sleep", "0.1", "click", "1"});
  edit->SetText("赠品随机");
  S().frame->GetPaintManager().SendNotify(edit, DuiLib::DUI_MSGTYPE_TEXTCHANGED);
  const size_t before = Transcript(key).size();
  xdotool({"keydown", "ctrl", "key", "Return", "keyup", "ctrl"});
  EXPECT_TRUE(PumpUntil([&] { return Transcript(key).size() >= before + 1; }, 8000))
      << "Ctrl+Enter sent nothing";
  Pump(300);
  const std::vector<Json::Value> lines = Transcript(key);
  ASSERT_EQ(lines.size(), before + 1);
  EXPECT_EQ(lines.back()["items"][0]["text"].asString(), "买二送一，赠品随机");
  // The pointer went into the client and back to the search box: no row was passed over.
  EXPECT_EQ(HotRows(), std::vector<std::string>{});
  edit->SetText("");
  S().frame->GetPaintManager().SendNotify(edit, DuiLib::DUI_MSGTYPE_TEXTCHANGED);
  EXPECT_TRUE(S().boxes.empty()) << S().boxes.front();
}

// Enter alone cites the first hit into the client's box, once: the box then holds its text
// a single time.
TEST_F(ShortcutE2E, EnterFromTheKeyboardInTheSearchBoxCitesTheFirstHitOnce) {
  const std::string key = S().firstKey;
  DuiLib::CControlUI* edit = S().frame->GetPaintManager().FindControl("shortcut_search");
  ASSERT_NE(edit, nullptr);
  S().frame->GetPaintManager().UpdateLayout();
  const RECT rc = edit->GetPos();
  POINT at{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  ASSERT_TRUE(::ClientToScreen(S().frame->GetHWND(), &at));
  testing_support::CommandOutput("xdotool mousemove " + std::to_string(at.x) + " " +
                                 std::to_string(at.y) + " sleep 0.1 click 1");
  Pump(300);
  edit->SetText("全国包邮");
  S().frame->GetPaintManager().SendNotify(edit, DuiLib::DUI_MSGTYPE_TEXTCHANGED);
  const size_t before = Transcript(key).size();
  testing_support::CommandOutput("xdotool key Return");
  Pump(1000);
  EXPECT_EQ(Transcript(key).size(), before) << "Enter alone must not send";
  Manager().SendCurrText(key.c_str());
  ASSERT_TRUE(PumpUntil([&] { return Transcript(key).size() == before + 1; }, 5000));
  Pump(300);
  const Json::Value line = Transcript(key).back();
  ASSERT_EQ(line["items"].size(), 1u);
  EXPECT_EQ(line["items"][0]["text"].asString(), "今天下单全国包邮");
  edit->SetText("");
  S().frame->GetPaintManager().SendNotify(edit, DuiLib::DUI_MSGTYPE_TEXTCHANGED);
  EXPECT_TRUE(S().boxes.empty()) << S().boxes.front();
}

TEST_F(ShortcutE2E, ClickCitesIntoTheBoxWithoutSending) {
  const std::string key = S().firstKey;
  ASSERT_FALSE(key.empty());
  const size_t before = Transcript(key).size();
  Click(NodeTitled("包邮"), false);
  Pump(800);
  EXPECT_EQ(Transcript(key).size(), before) << "a click must not send";
  // What the box holds now goes out with the client's own send key.
  Manager().SendCurrText(key.c_str());
  ASSERT_TRUE(PumpUntil([&] { return Transcript(key).size() == before + 1; }, 5000));
  const Json::Value line = Transcript(key).back();
  ASSERT_EQ(line["items"].size(), 1u);
  EXPECT_EQ(line["items"][0]["text"].asString(), "今天下单全国包邮");
}

TEST_F(ShortcutE2E, RightClickOpensTheMenuOfTheNodeWithoutCiting) {
  const std::string key = S().firstKey;
  HWND frame = S().frame->GetHWND();
  for (const char* title : {"赠品", "促销活动"}) {
    S().frame->GetPaintManager().UpdateLayout();
    const RECT rc = NodeTitled(title)->GetPos();
    const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ::SendMessageA(frame, WM_MOUSEMOVE, 0, at);
    ::SendMessageA(frame, WM_RBUTTONDOWN, MK_RBUTTON, at);
    ::SendMessageA(frame, WM_RBUTTONUP, 0, at);
    EXPECT_TRUE(PumpUntil([] { return CMenuWnd::OpenCount() == 1; }, 3000)) << title;
    EXPECT_EQ(Tree()->GetCurSel(), NodeTitled(title)->GetTreeIndex());
    CMenuWnd::CloseAll();
    ASSERT_TRUE(PumpUntil([] { return CMenuWnd::OpenCount() == 0; }, 3000));
  }
  // Nothing was cited: the box is as empty as the last send left it, so the send key sends
  // nothing.
  const size_t before = Transcript(key).size();
  Manager().SendCurrText(key.c_str());
  Pump(1000);
  EXPECT_EQ(Transcript(key).size(), before);
}

TEST_F(ShortcutE2E, DoubleClickSendsTextsAndPictureAsThreeMessagesInOrder) {
  const std::string key = S().firstKey;
  const size_t before = Transcript(key).size();
  Click(NodeTitled("图文"), true);
  ASSERT_TRUE(PumpUntil([&] { return Transcript(key).size() >= before + 3; }, 15000))
      << Transcript(key).size() - before;
  Pump(300);
  const std::vector<Json::Value> lines = Transcript(key);
  ASSERT_EQ(lines.size(), before + 3);
  EXPECT_EQ(lines[before]["items"][0]["text"].asString(), "第一段文字");
  const Json::Value& image = lines[before + 1]["items"][0];
  EXPECT_EQ(image["type"].asString(), "image");
  std::ostringstream figures;
  figures << image["width"].asInt() << " " << image["height"].asInt() << " "
          << image["sha256"].asString();
  EXPECT_EQ(figures.str(), S().pictureFigures);
  EXPECT_EQ(lines[before + 2]["items"][0]["text"].asString(), "第二段文字");
  EXPECT_TRUE(S().boxes.empty()) << S().boxes.front();
}

// The operator's own double-click, as the pointer delivers it: a first click cites (which
// clicks into the client's message box), the second one at the operator's pace must still
// land on the node and send; afterwards the pointer is where the operator left it.
TEST_F(ShortcutE2E, ARealDoubleClickSendsAndLeavesThePointerWhereItWas) {
  const std::string key = S().firstKey;
  S().frame->GetPaintManager().UpdateLayout();
  const RECT rc = NodeTitled("满减")->GetPos();
  POINT at{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  ASSERT_TRUE(::ClientToScreen(S().frame->GetHWND(), &at));
  for (int gap : {40, 150, 250}) {
    const size_t before = Transcript(key).size();
    const pid_t xdotool =
        spawnCommand({"xdotool", "mousemove", std::to_string(at.x), std::to_string(at.y), "sleep",
                      "0.2", "click", "--repeat", "2", "--delay", std::to_string(gap), "1"});
    ASSERT_GT(xdotool, 0);
    EXPECT_TRUE(PumpUntil([&] { return !testing_support::ProcessAlive(xdotool); }, 10000));
    testing_support::WaitForExit(xdotool, std::chrono::milliseconds(1000));
    EXPECT_TRUE(PumpUntil([&] { return Transcript(key).size() >= before + 1; }, 8000))
        << "a double-click " << gap << " ms apart sent nothing";
    Pump(600);
    const std::vector<Json::Value> lines = Transcript(key);
    ASSERT_EQ(lines.size(), before + 1) << "gap " << gap;
    EXPECT_EQ(lines.back()["items"][0]["text"].asString(), "全场满199减20") << "gap " << gap;
    EXPECT_EQ(testing_support::CommandOutput("xdotool getmouselocation --shell | head -2"),
              "X=" + std::to_string(at.x) + "\nY=" + std::to_string(at.y))
        << "gap " << gap;
    // Back where it was, over the row it had been over: that row alone is hot.
    EXPECT_EQ(HotRows(), std::vector<std::string>{"满减"}) << "gap " << gap;
  }
  EXPECT_TRUE(S().boxes.empty()) << S().boxes.front();
}

TEST_F(ShortcutE2E, CopyOnShowOtherThanTheSelectedOneGivesTheMismatchBox) {
  const std::string first = S().firstKey;
  S().frame->AddWebChat();
  std::string second;
  ASSERT_TRUE(PumpUntil(
      [&] {
        second = SelectedKey();
        WECHATRUNDATA data;
        return second != first && Manager().GetWeChatRunData(data, second) && data.hMainWnd;
      },
      20000));
  Pump(500);
  // The operator brings the first copy forward without touching the list.
  Manager().SwitchWeChat(first.c_str());
  const size_t firstBefore = Transcript(first).size();
  const size_t secondBefore = Transcript(second).size();
  S().boxes.clear();
  Tree()->SelectItem(NodeTitled("满减")->GetTreeIndex(), false, false);
  ASSERT_TRUE(S().frame->GetShortcutPanel()->OnMenu(4001));
  Pump(800);
  EXPECT_EQ(S().boxes,
            std::vector<std::string>{std::string("警告|") + CShortcutSender::kMismatchText});
  EXPECT_EQ(Transcript(first).size(), firstBefore);
  EXPECT_EQ(Transcript(second).size(), secondBefore);
  S().boxes.clear();
}

// The operator clicks another account's row while a three-item message goes out: the rest
// of it stays with the copy it started in, unsent, and the box says so.
TEST_F(ShortcutE2E, ARowClickDuringASendStopsTheRestInsteadOfSplittingIt) {
  CWebchatListUI* list = S().frame->GetWebchatList();
  ASSERT_GE(list->GetCount(), 2);
  const auto rowPoint = [&](int index) {
    S().frame->GetPaintManager().UpdateLayout();
    const RECT rc = list->GetItemAt(index)->GetPos();
    POINT at{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ::ClientToScreen(S().frame->GetHWND(), &at);
    return at;
  };
  const std::string first = list->GetItemAt(0)->GetName().str();
  const std::string second = list->GetItemAt(1)->GetName().str();
  const POINT firstRow = rowPoint(0);
  const pid_t select = spawnCommand({"xdotool", "mousemove", std::to_string(firstRow.x),
                                     std::to_string(firstRow.y), "sleep", "0.1", "click", "1"});
  ASSERT_GT(select, 0);
  ASSERT_TRUE(PumpUntil(
      [&] { return SelectedKey() == first && Manager().GetCurrWeChat() == first; }, 5000));
  testing_support::WaitForExit(select, std::chrono::milliseconds(5000));
  Pump(500);
  const size_t firstBefore = Transcript(first).size();
  const size_t secondBefore = Transcript(second).size();
  S().boxes.clear();
  // The click on the second row comes once the first item is out (the first step runs
  // inside the menu command, about 100 ms) and before the last one (about 250 ms later).
  const POINT secondRow = rowPoint(1);
  ASSERT_EQ(std::system(("xdotool mousemove " + std::to_string(secondRow.x) + " " +
                         std::to_string(secondRow.y))
                            .c_str()),
            0);
  Tree()->SelectItem(NodeTitled("图文")->GetTreeIndex(), false, false);
  ASSERT_TRUE(Panel().OnMenu(4001));
  const pid_t click = spawnCommand({"xdotool", "click", "1"});
  ASSERT_GT(click, 0);
  EXPECT_TRUE(PumpUntil([&] { return SelectedKey() == second; }, 5000));
  testing_support::WaitForExit(click, std::chrono::milliseconds(5000));
  Pump(1500);
  EXPECT_EQ(Transcript(second).size(), secondBefore) << "part of the reply went to the other copy";
  EXPECT_GE(Transcript(first).size(), firstBefore + 1);
  EXPECT_LT(Transcript(first).size(), firstBefore + 3);
  EXPECT_EQ(S().boxes,
            std::vector<std::string>{std::string("警告|") + CShortcutSender::kSwitchedText});
  S().boxes.clear();
}

TEST_F(ShortcutE2E, SpreadsheetsAreImportedIntoAGroupAndSurviveARestart) {
  const std::string xlsx = (S().root / "导入.xlsx").string();
  writeWorkbook(xlsx, 20, "表一");
  const std::string xlsxB = (S().root / "b.xlsx").string();
  writeWorkbook(xlsxB, 20, "表二");
  const std::string office = "soffice -env:UserInstallation=file://" + (S().root / "lo").string() +
                             " --headless --convert-to xls --outdir '" + S().root.string() + "' '" +
                             xlsxB + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(office.c_str()), 0);
  const std::string xls = (S().root / "b.xls").string();
  ASSERT_TRUE(fs::exists(xls));
  for (const std::string& book : {xlsx, xls}) {
    DuiLib::SetFileDialogHook([book](bool, const OPENFILENAMEA&) { return book; });
    CTreeNodeUI* group = NodeTitled("促销活动");
    Tree()->SelectItem(group->GetTreeIndex(), false, false);
    const int before = group->GetCountChild();
    Tree()->SetScrollPos(SIZE{0, 0});
    ASSERT_TRUE(Panel().OnMenu(5002));
    ASSERT_TRUE(PumpUntil([&] { return !Panel().GetImporter().IsRunning(); }, 60000));
    EXPECT_EQ(group->GetCountChild(), before + 20) << book;
    // The operator's place is kept: the tree did not follow the rows down.
    S().frame->GetPaintManager().UpdateLayout();
    EXPECT_GT(Tree()->GetScrollRange().cy, 0) << book;
    EXPECT_EQ(Tree()->GetScrollPos().cy, 0) << book;
    EXPECT_TRUE(S().boxes.empty()) << S().boxes.front();
  }
  const std::vector<std::string> titles = LoadedElsewhere();
  EXPECT_EQ(std::count_if(titles.begin(), titles.end(),
                          [](const std::string& t) { return t.rfind("表", 0) == 0; }),
            40);
  EXPECT_NE(std::find(titles.begin(), titles.end(), "表二20"), titles.end());
  std::ifstream snapshot(std::string(GetUserDataFolder().GetData()) + "mfls.xml");
  std::stringstream text;
  text << snapshot.rdbuf();
  EXPECT_NE(text.str().find("title=\"表二20\""), std::string::npos);
}

TEST_F(ShortcutE2E, DeletesSurviveARestart) {
  Tree()->SelectItem(NodeTitled("稍等")->GetTreeIndex(), false, false);
  ASSERT_TRUE(Panel().OnMenu(4004));
  Tree()->SelectItem(NodeTitled("售后服务")->GetTreeIndex(), false, false);
  ASSERT_TRUE(Panel().OnMenu(5004));
  EXPECT_EQ(S().boxes.size(), 2u);  // the two confirmations, answered OK
  EXPECT_EQ(NodeTitled("稍等"), nullptr);
  EXPECT_EQ(NodeTitled("退换货"), nullptr);
  const std::vector<std::string> titles = LoadedElsewhere();
  for (const char* gone : {"稍等", "售后服务", "退换货", "物流查询"})
    EXPECT_EQ(std::find(titles.begin(), titles.end(), gone), titles.end()) << gone;
  EXPECT_NE(std::find(titles.begin(), titles.end(), "欢迎语"), titles.end());
  S().boxes.clear();
}

TEST_F(ShortcutE2E, SearchBoxFindsAMessageByAChineseWordInItsText) {
  auto* edit = S().frame->GetPaintManager().FindControl("shortcut_search");
  ASSERT_NE(edit, nullptr);
  edit->SetText("赠品随机");
  S().frame->GetPaintManager().SendNotify(edit, DuiLib::DUI_MSGTYPE_TEXTCHANGED);
  std::vector<std::string> visible;
  for (int i = 0; i < Tree()->GetCount(); ++i)
    if (Tree()->GetItemAt(i)->IsVisible())
      visible.push_back(static_cast<CTreeNodeUI*>(Tree()->GetItemAt(i))->GetItemText().str());
  EXPECT_EQ(visible, (std::vector<std::string>{"促销活动", "赠品"}));
  edit->SetText("");
  S().frame->GetPaintManager().SendNotify(edit, DuiLib::DUI_MSGTYPE_TEXTCHANGED);
  EXPECT_TRUE(NodeTitled("满减")->IsVisible());
}

}  // namespace

namespace {

TEST_F(ShortcutE2E, RenamingAnAccountWithoutRemarkCreatesOneAndKeepsItsId) {
  CWebchatListUI* list = S().frame->GetWebchatList();
  auto* row = static_cast<CWebchatElementUI*>(list->GetItemAt(list->GetCurSel()));
  ASSERT_NE(row, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return !row->GetUserData().IsEmpty(); }, 10000));
  ASSERT_TRUE(row->m_pTitleLabel->GetUserData().IsEmpty());  // no remark on the server yet
  const std::string weChatId = row->GetUserData().str();
  // The contact-note dialog runs a modal loop inside the double click: answer it from there.
  auto dialog = [] {
    return dynamic_cast<CContactNoteDlg*>(
        DuiLib::CWindowWnd::FromHandle(::FindWindowA("UIMsgWnd", nullptr)));
  };
  testing_support::CGuiScript script(
      {{"type the note and press OK",
        [&] {
          CContactNoteDlg* note = dialog();
          if (!note) return false;
          DuiLib::CPaintManagerUI& pm = note->GetPaintManager();
          DuiLib::CControlUI* edit = pm.FindControl("edit_contact_note");
          DuiLib::CControlUI* ok = pm.FindControl("btn_contactnote_ok");
          if (!edit || !ok) return false;
          edit->SetText("老客户张三");
          pm.SendNotify(ok, DuiLib::DUI_MSGTYPE_CLICK);
          return true;
        }}},
      20000, [&] {
        if (CContactNoteDlg* note = dialog()) note->Close(1);
      });
  S().frame->GetPaintManager().UpdateLayout();
  const RECT rc = row->m_pTitleLabel->GetPos();
  const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  HWND frame = S().frame->GetHWND();
  ::SendMessageA(frame, WM_MOUSEMOVE, 0, at);
  ::SendMessageA(frame, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageA(frame, WM_LBUTTONUP, 0, at);
  ::SendMessageA(frame, WM_LBUTTONDBLCLK, MK_LBUTTON, at);  // returns once the dialog closed
  ::SendMessageA(frame, WM_LBUTTONUP, 0, at);
  ASSERT_TRUE(script.Finished()) << script.Unfinished();
  EXPECT_EQ(row->m_pTitleLabel->GetText(), "老客户张三");
  const std::string remarkId = row->m_pTitleLabel->GetUserData().str();
  EXPECT_FALSE(remarkId.empty());
  EXPECT_NE(remarkId, "0");
  EXPECT_EQ(list->m_mapRemarks[weChatId], "老客户张三");
  CDuiString idAndRemark = weChatId.c_str();
  CDuiString remark;
  CConnServer conn;
  conn.GetRemarkInfo(&idAndRemark, GetLoginToken().c_str(), &remark);
  EXPECT_EQ(remark, "老客户张三");
  EXPECT_EQ(idAndRemark.str(), remarkId);
  EXPECT_TRUE(S().boxes.empty()) << S().boxes.front();
}

}  // namespace
