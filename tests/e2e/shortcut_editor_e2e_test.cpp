// The quick-message editor in the real main frame, on a real X server (bare or under
// openbox, started around this program by scripts/xvfb-run-wm.sh), against the reference
// server in this process and a stand-in chat client. The editor is opened as the operator
// opens it (the panel's add button, its menu commands) and runs its own modal loop; the
// steps inside that loop run from a timer of a hidden window (CGuiScript). The range marker
// is dragged with the real pointer through XTest (xdotool). The tests build on each other in
// the order written.
#include "app/Settings.h"
#include "mainframe/MainFrameWnd.h"
#include "mainframe/WebchatListUI.h"
#include "mainframe/WebchatMan.h"
#include "platform/ui/window/MessageLoop.h"
#include "shortcut/ShortcutPanel.h"
#include "shortcut/ShortcutWnd.h"
#include "tests/support/GuiScript.h"
#include "tests/support/GuiWait.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WorkbenchSession.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using DuiLib::CControlUI;
using DuiLib::CTreeNodeUI;
using testing_support::CGuiScript;
using testing_support::Pump;
using testing_support::PumpUntil;

constexpr const char* kGroup = "新品推荐";
constexpr const char* kTitle = "新品上市";
// The first text: a text emoticon and picture emoji 5 (typed into the chat as U+1F633).
constexpr const char* kFirstText = "欢迎光临[微笑]\xF0\x9F\x98\xB3新品";
constexpr const char* kSecondText = "第二段文字";
constexpr const char* kThirdText = "限时八折";

struct TState {
  testing_support::TWorkbenchSession session;
  CMainFrameWnd* frame = nullptr;
  std::vector<std::string> boxes;  // "caption|text" of every message box
  std::string picture;             // the picture of the message, as picked
  std::string oversized;           // one byte over the limit
  std::string pickedFile;          // what the file dialog answers
  int beginLeft = 0;               // the begin marker's left edge after the drag
  std::string rangeShown;          // the range's values as shown after the drag
};
TState* s_state = nullptr;

std::string ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

size_t FilesIn(const fs::path& folder) {
  if (!fs::exists(folder)) return 0;
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

// The editor window while it is open: the visible window of the editor's class.
CShortcutWnd* OpenEditor() {
  HWND found = nullptr;
  ::EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        char name[64] = {};
        ::GetClassNameA(hwnd, name, sizeof name);
        if (std::string(name) != "UIMyCenterWnd" || !::IsWindowVisible(hwnd)) return TRUE;
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found ? dynamic_cast<CShortcutWnd*>(DuiLib::CWindowWnd::FromHandle(found)) : nullptr;
}

CControlUI* Control(const char* name) {
  CShortcutWnd* editor = OpenEditor();
  return editor ? editor->GetPaintManager().FindControl(name) : nullptr;
}

// A click on a control of the editor, as its notification.
bool ClickOn(const std::string& name) {
  CControlUI* control = Control(name.c_str());
  if (!control) return false;
  OpenEditor()->GetPaintManager().SendNotify(control, DuiLib::DUI_MSGTYPE_CLICK);
  return true;
}

DuiLib::CRichEditUI* ContentEdit() {
  return static_cast<DuiLib::CRichEditUI*>(Control("shortcut_richedit"));
}

// Steps that write one text item on the content page; `write` fills the rich edit.
std::vector<std::pair<std::string, CGuiScript::Step>> TextItem(
    const std::string& label, std::function<void(DuiLib::CRichEditUI*)> write) {
  return {
      // The content page opens on the kind of item last written: choose text.
      {label + ": content page",
       [] {
         if (!ClickOn("add_content_btn")) return false;
         auto* option = static_cast<DuiLib::COptionUI*>(Control("text_shortcut_element"));
         if (!option) return false;
         option->Selected(true);
         return true;
       }},
      {label + ": written",
       [write] {
         DuiLib::CRichEditUI* edit = ContentEdit();
         if (!edit) return false;
         OpenEditor()->GetPaintManager().SendNotify(edit, DuiLib::DUI_MSGTYPE_SETFOCUS);
         write(edit);
         return true;
       }},
      {label + ": committed", [] { return ClickOn("add_content_ok"); }},
  };
}

void Type(DuiLib::CRichEditUI* edit, const char* text) {
  edit->SetSel(-1, -1);
  edit->ReplaceSel(text);
}

// Drags the begin marker 100 pixels to the right with the real pointer, the button still
// held (ReleaseTheButton lets it go).
bool DragBeginMarker() {
  CShortcutWnd* editor = OpenEditor();
  CControlUI* marker = Control("begin_btn");
  if (!editor || !marker) return false;
  const RECT rc = marker->GetPos();
  POINT from{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  ::ClientToScreen(editor->GetHWND(), &from);
  const std::string x = std::to_string(from.x), y = std::to_string(from.y);
  const std::string x2 = std::to_string(from.x + 100);
  testing_support::CommandOutput("xdotool mousemove " + x + " " + y + " sleep 0.2 mousedown 1" +
                                 " sleep 0.2 mousemove " + x2 + " " + y);
  return true;
}

// A click with the real pointer on a control of the open editor (xdotool, from outside).
bool RealClickOn(const char* name) {
  CShortcutWnd* editor = OpenEditor();
  CControlUI* control = Control(name);
  if (!editor || !control || !control->IsVisible()) return false;
  const RECT rc = control->GetPos();
  POINT at{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  ::ClientToScreen(editor->GetHWND(), &at);
  testing_support::CommandOutput("xdotool mousemove " + std::to_string(at.x) + " " +
                                 std::to_string(at.y) + " sleep 0.1 click 1");
  Pump(200);
  return true;
}

// Keys and text from the keyboard, through XTest: `xdotool key ...` or `xdotool type ...`.
// The events are taken in before the caller goes on.
void Keyboard(const std::string& args) {
  testing_support::CommandOutput("xdotool " + args);
  Pump(200);
}

class ShortcutEditorE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  static void StartFrame();
  static void StopFrame();

  TState& S() { return *s_state; }
  CShortcutPanel& Panel() { return *S().frame->GetShortcutPanel(); }
  DuiLib::CTreeViewUI* Tree() { return Panel().GetTree(); }
  CTreeNodeUI* NodeTitled(const std::string& title) {
    for (int i = 0; i < Tree()->GetCount(); ++i) {
      auto* node = static_cast<CTreeNodeUI*>(Tree()->GetItemAt(i));
      if (node->GetItemText() == title.c_str()) return node;
    }
    return nullptr;
  }
  void Select(CTreeNodeUI* node) { Tree()->SelectItem(node->GetTreeIndex(), false, false); }
  DWORD CurrentCopy() {
    CWebchatMan& manager = *S().frame->GetWebchatMan();
    WECHATRUNDATA data;
    const std::string key = manager.GetCurrWeChat();
    return !key.empty() && manager.GetWeChatRunData(data, key) && data.hMainWnd ? data.dwProcessId
                                                                                : 0;
  }
  // Runs `steps` inside the editor that `open` opens (and that blocks until it closes).
  std::string RunInEditor(const std::function<void()>& open,
                          std::vector<std::pair<std::string, CGuiScript::Step>> steps) {
    steps.insert(steps.begin(), {"the editor opens", [] { return OpenEditor() != nullptr; }});
    // The frame is dimmed behind the editor like behind its other modal windows.
    steps.insert(steps.begin() + 1, {"the frame dimmed", [this] {
                                       EXPECT_TRUE(S().frame->IsDimmedForModal());
                                       return true;
                                     }});
    CGuiScript script(std::move(steps), 60000, [] {
      if (CShortcutWnd* editor = OpenEditor()) editor->Close(1);
    });
    open();
    // The save closes the window from its worker's hand-back.
    EXPECT_TRUE(PumpUntil([] { return OpenEditor() == nullptr; }, 20000));
    // A last step that waits for the editor to close runs at the next tick.
    PumpUntil([&] { return script.Finished(); }, 500);
    EXPECT_FALSE(S().frame->IsDimmedForModal());
    return script.Unfinished();
  }
  // The message of our group as the server lists it.
  Json::Value ServerMessage() {
    CConnServer conn;
    DuiLib::CDuiString path;
    EXPECT_EQ(conn.GetShortcutList(GetLoginToken(), &path), 0);
    Json::Value root;
    std::ifstream file(path.str());
    Json::CharReaderBuilder builder;
    Json::parseFromStream(builder, file, &root, nullptr);
    for (const Json::Value& group : root["msgList"])
      if (group["groupTitle"].asString() == kGroup)
        for (const Json::Value& message : group["msgContentList"])
          if (message["contentTitle"].asString() == kTitle) return message;
    return Json::Value();
  }
  fs::path Pictures() { return S().session.root / "server" / "pictures"; }
  // How many requests for `path` the server has answered so far.
  int Requests(const std::string& path) {
    std::ifstream log(S().session.root / "server" / "refserver.log");
    int count = 0;
    for (std::string line; std::getline(log, line);)
      if (line.find(" " + path + " -> ") != std::string::npos) ++count;
    return count;
  }
  // The groups of that title in the server's list.
  int ServerGroupsTitled(const std::string& title) {
    CConnServer conn;
    DuiLib::CDuiString path;
    EXPECT_EQ(conn.GetShortcutList(GetLoginToken(), &path), 0);
    Json::Value root;
    std::ifstream file(path.str());
    Json::CharReaderBuilder builder;
    Json::parseFromStream(builder, file, &root, nullptr);
    int count = 0;
    for (const Json::Value& group : root["msgList"])
      if (group["groupTitle"].asString() == title) ++count;
    return count;
  }
};

void ShortcutEditorE2E::StartFrame() {
  TState& s = *s_state;
  s.frame = new CMainFrameWnd();
  ASSERT_TRUE(s.frame->Create(nullptr, "Orvo客服-电商版",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                              0, 0, 0, 1180, 760));
  s.frame->ShowWindow(true, true);
  ASSERT_NE(s.frame->GetShortcutPanel(), nullptr)
      << "skin from " << DuiLib::CPaintManagerUI::GetResourcePath().str();
}

void ShortcutEditorE2E::StopFrame() {
  TState& s = *s_state;
  if (!s.frame) return;
  HWND hwnd = s.frame->GetHWND();
  s.frame->Close(1);
  PumpUntil([hwnd] { return !::IsWindow(hwnd); }, 10000);
  s.frame = nullptr;
  // The frame ends the program's loop when it goes (a quit, kept while no loop runs); the
  // program would exit here. Take the quit, or it would end the next loop: a modal editor.
  int code = 0;
  DuiLib::RunNestedLoop(nullptr, &code);
}

void ShortcutEditorE2E::SetUpTestSuite() {
  s_state = new TState;
  TState& s = *s_state;
  s.session.Start("shortcut_editor_e2e");
  if (HasFatalFailure()) return;
  s.picture = (s.session.root / "新品.bmp").string();
  testing_support::WriteTestBitmap(s.picture, 60, 40);
  // A picture of 2,097,153 bytes: a valid bitmap header, padded.
  s.oversized = (s.session.root / "大图.bmp").string();
  testing_support::WriteTestBitmap(s.oversized, 60, 40);
  fs::resize_file(s.oversized, 2097153);
  DuiLib::SetMessageBoxHook([&s](HWND, const std::string& text, const std::string& caption, UINT) {
    s.boxes.push_back(caption + "|" + text);
    return IDOK;
  });
  DuiLib::SetFileDialogHook([&s](bool, const OPENFILENAMEA&) { return s.pickedFile; });
  StartFrame();
}

void ShortcutEditorE2E::TearDownTestSuite() {
  StopFrame();
  DuiLib::SetMessageBoxHook({});
  DuiLib::SetFileDialogHook({});
  s_state->session.Stop();
  delete s_state;
  s_state = nullptr;
}

TEST_F(ShortcutEditorE2E, ANewGroupFromThePanelsAddButton) {
  ASSERT_TRUE(PumpUntil([&] { return Tree()->GetCount() == 8; }, 20000)) << Tree()->GetCount();
  CControlUI* add = S().frame->GetPaintManager().FindControl("shortcut_add");
  ASSERT_NE(add, nullptr);
  const std::string stuck =
      RunInEditor([&] { S().frame->GetPaintManager().SendNotify(add, DuiLib::DUI_MSGTYPE_CLICK); },
                  {{"group name",
                    [] {
                      CControlUI* edit = Control("shortcut_groupname_edit");
                      if (!edit) return false;
                      edit->SetText(kGroup);
                      return true;
                    }},
                   {"saved", [] { return ClickOn("add_shortcutgroup_btn"); }}});
  EXPECT_EQ(stuck, "");
  CTreeNodeUI* group = NodeTitled(kGroup);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(Tree()->GetItemAt(Tree()->GetCount() - 1)->GetName(), "-1") << "before the sentinel";
  EXPECT_EQ(Tree()->GetCurSel(), group->GetTreeIndex());
  EXPECT_TRUE(S().boxes.empty()) << S().boxes.front();
}

// A save the server refuses (the sign-in has expired meanwhile) leaves the editor open with
// the reason; the operator's retry, clicked with the real pointer, is saved at once.
TEST_F(ShortcutEditorE2E, ARetryAfterARefusedSaveIsSavedAtOnce) {
  CTreeNodeUI* group = NodeTitled(kGroup);
  ASSERT_NE(group, nullptr);
  Select(group);
  const TSignInValues signedIn = GetSignInValues();
  std::string refusedTip;
  std::chrono::steady_clock::time_point retried;
  std::vector<std::pair<std::string, CGuiScript::Step>> steps = {
      {"title",
       [] {
         CControlUI* edit = Control("shortcut_name_edit");
         if (!edit) return false;
         edit->SetText("重试的回复");
         return true;
       }},
  };
  const auto text = TextItem("text", [](DuiLib::CRichEditUI* edit) { Type(edit, "再试一次"); });
  steps.insert(steps.end(), text.begin(), text.end());
  steps.insert(steps.end(),
               {{"picture page",
                 [] {
                   if (!ClickOn("add_content_btn")) return false;
                   auto* option =
                       static_cast<DuiLib::COptionUI*>(Control("image_shortcut_element"));
                   if (!option) return false;
                   option->Selected(true);
                   return true;
                 }},
                {"the picture is picked",
                 [&] {
                   S().pickedFile = S().picture;
                   return ClickOn("upload_img_btn");
                 }},
                {"picture committed", [] { return ClickOn("add_content_ok"); }},
                {"saved with an expired sign-in",
                 [&] {
                   TSignInValues expired = signedIn;
                   expired.strLoginToken = "expired";
                   SetSignInValues(expired);
                   return RealClickOn("add_shortcut_btn");
                 }},
                {"the refusal shown",
                 [&] {
                   CControlUI* tip = Control("shortcut_tip");
                   if (!tip || !tip->IsVisible() || !::IsWindowEnabled(OpenEditor()->GetHWND()))
                     return false;
                   refusedTip = tip->GetText().str();
                   return true;
                 }},
                {"retried", [&] {
                   SetSignInValues(signedIn);
                   retried = std::chrono::steady_clock::now();
                   return RealClickOn("add_shortcut_btn");
                 }}});
  const std::string stuck = RunInEditor([&] { ASSERT_TRUE(Panel().OnMenu(5001)); }, steps);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - retried)
                        .count();
  SetSignInValues(signedIn);
  EXPECT_EQ(stuck, "");
  EXPECT_EQ(refusedTip, "上传图片失败.");
  // The frame's own requests meanwhile may have met the expired sign-in too.
  for (const std::string& box : S().boxes) EXPECT_EQ(box, "失败|登录已失效，请重新登录");
  S().boxes.clear();
  ASSERT_NE(NodeTitled("重试的回复"), nullptr);
  EXPECT_EQ(NodeTitled("重试的回复")->GetParentNode(), group);
  EXPECT_LT(took, 3000) << "the retry was saved only after " << took << " ms";
}

// Enter on the keyboard in the group name saves the group once: one request, one group.
TEST_F(ShortcutEditorE2E, EnterInTheGroupEditorAddsTheGroupOnce) {
  CControlUI* add = S().frame->GetPaintManager().FindControl("shortcut_add");
  ASSERT_NE(add, nullptr);
  const int before = Requests("/zoduda_vudi/quickMessage/group/add.do");
  const std::string stuck = RunInEditor(
      [&] { S().frame->GetPaintManager().SendNotify(add, DuiLib::DUI_MSGTYPE_CLICK); },
      {{"the name field clicked", [] { return RealClickOn("shortcut_groupname_edit"); }},
       {"typed, then Enter",
        [] {
          Keyboard("type --delay 30 EnterGroup");
          Keyboard("key Return");
          return true;
        }},
       {"closed by the key", [] { return OpenEditor() == nullptr; }}});
  EXPECT_EQ(stuck, "");
  Pump(500);
  EXPECT_EQ(Requests("/zoduda_vudi/quickMessage/group/add.do"), before + 1);
  EXPECT_EQ(ServerGroupsTitled("EnterGroup"), 1);
  int nodes = 0;
  for (int i = 0; i < Tree()->GetCount(); ++i)
    if (static_cast<CTreeNodeUI*>(Tree()->GetItemAt(i))->GetItemText() == "EnterGroup") ++nodes;
  EXPECT_EQ(nodes, 1);
  EXPECT_TRUE(S().boxes.empty()) << S().boxes.front();
}

// The same for a rename: Enter sends one update.
TEST_F(ShortcutEditorE2E, EnterInTheRenameEditorRenamesTheGroupOnce) {
  CTreeNodeUI* group = NodeTitled("EnterGroup");
  ASSERT_NE(group, nullptr);
  Select(group);
  const int before = Requests("/zoduda_vudi/quickMessage/group/update.do");
  const std::string stuck = RunInEditor(
      [&] { ASSERT_TRUE(Panel().OnMenu(5003)); },
      {{"the name field clicked", [] { return RealClickOn("shortcut_groupname_edit"); }},
       {"retyped, then Enter",
        [] {
          Keyboard("key ctrl+a BackSpace");
          Keyboard("type --delay 30 EnterRenamed");
          Keyboard("key Return");
          return true;
        }},
       {"closed by the key", [] { return OpenEditor() == nullptr; }}});
  EXPECT_EQ(stuck, "");
  Pump(500);
  EXPECT_EQ(Requests("/zoduda_vudi/quickMessage/group/update.do"), before + 1);
  EXPECT_EQ(ServerGroupsTitled("EnterRenamed"), 1);
  EXPECT_EQ(group->GetItemText(), "EnterRenamed");
  EXPECT_TRUE(S().boxes.empty()) << S().boxes.front();
}

// In the message editor Enter acts on neither field: in the title it does nothing, in the
// text it starts one new line.
TEST_F(ShortcutEditorE2E, EnterInTheMessageEditorBreaksOneLineAndSavesNothing) {
  CTreeNodeUI* group = NodeTitled(kGroup);
  ASSERT_NE(group, nullptr);
  Select(group);
  const int before = Requests("/zoduda_vudi/quickMessage/add.do");
  std::string written;
  bool stayedOpen = false;
  const std::string stuck = RunInEditor(
      [&] { ASSERT_TRUE(Panel().OnMenu(5001)); },
      {{"the title field clicked", [] { return RealClickOn("shortcut_name_edit"); }},
       {"typed, then Enter",
        [] {
          Keyboard("type --delay 30 EnterTitle");
          Keyboard("key Return");
          return true;
        }},
       {"the editor stays",
        [&] {
          Pump(300);
          stayedOpen = OpenEditor() != nullptr && !Control("shortcut_tip")->IsVisible();
          return true;
        }},
       {"the text page",
        [] {
          if (!ClickOn("add_content_btn")) return false;
          auto* option = static_cast<DuiLib::COptionUI*>(Control("text_shortcut_element"));
          if (!option) return false;
          option->Selected(true);
          return true;
        }},
       {"the text clicked", [] { return RealClickOn("shortcut_richedit"); }},
       {"two lines typed",
        [] {
          Keyboard("type --delay 30 ab");
          Keyboard("key Return");
          Keyboard("type --delay 30 cd");
          return true;
        }},
       {"read",
        [&] {
          Pump(300);
          written = ContentEdit()->GetText().str();
          return true;
        }},
       {"closed", [] { return ClickOn("closebtn"); }}});
  EXPECT_EQ(stuck, "");
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(written, "ab\ncd");
  EXPECT_EQ(Requests("/zoduda_vudi/quickMessage/add.do"), before);
  EXPECT_TRUE(S().boxes.empty()) << S().boxes.front();
}

TEST_F(ShortcutEditorE2E, AMessageOfTextsAndAPictureIsSavedAndTheOversizedPictureIsRefused) {
  CTreeNodeUI* group = NodeTitled(kGroup);
  ASSERT_NE(group, nullptr);
  Select(group);
  const size_t picturesBefore = FilesIn(Pictures());
  std::string oversizedTip;
  std::vector<std::pair<std::string, CGuiScript::Step>> steps = {
      {"title",
       [] {
         CControlUI* edit = Control("shortcut_name_edit");
         if (!edit) return false;
         edit->SetText(kTitle);
         return true;
       }},
  };
  auto add = [&steps](std::vector<std::pair<std::string, CGuiScript::Step>> more) {
    steps.insert(steps.end(), more.begin(), more.end());
  };
  add(TextItem("first text", [](DuiLib::CRichEditUI* edit) {
    Type(edit, "欢迎光临");
    ClickOn("QQ_emtion_1");  // [微笑]
    edit->SetSel(-1, -1);
    ClickOn("sign_emotion_5");
    Type(edit, "新品");
  }));
  add({{"picture page",
        [] {
          if (!ClickOn("add_content_btn")) return false;
          auto* option = static_cast<DuiLib::COptionUI*>(Control("image_shortcut_element"));
          if (!option) return false;
          option->Selected(true);
          return true;
        }},
       {"the oversized picture is refused",
        [&] {
          S().pickedFile = S().oversized;
          ClickOn("upload_img_btn");
          oversizedTip = Control("shortcut_tip")->GetText().str();
          return true;
        }},
       {"the picture is picked",
        [&] {
          S().pickedFile = S().picture;
          return ClickOn("upload_img_btn");
        }},
       {"picture committed", [] { return ClickOn("add_content_ok"); }}});
  add(TextItem("second text", [](DuiLib::CRichEditUI* edit) { Type(edit, kSecondText); }));
  add(TextItem("third text", [](DuiLib::CRichEditUI* edit) { Type(edit, kThirdText); }));
  add({{"the begin marker dragged", [] { return DragBeginMarker(); }},
       {"the drag arrived",
        [&] {
          CControlUI* marker = Control("begin_btn");
          if (!marker || marker->GetPos().left == CShortcutWnd::kTrackLeft) return false;
          S().beginLeft = marker->GetPos().left;
          S().rangeShown = Control("range_value")->GetText().str();
          if (const char* shot = std::getenv("TC_SHOT_DRAG"))
            testing_support::CommandOutput(std::string("import -window root ") + shot);
          return true;
        }},
       {"the marker let go",
        [] {
          testing_support::CommandOutput("xdotool mouseup 1");
          return true;
        }},
       {"saved", [] { return ClickOn("add_shortcut_btn"); }}});
  const std::string stuck = RunInEditor([&] { ASSERT_TRUE(Panel().OnMenu(5001)); }, steps);
  EXPECT_EQ(stuck, "");
  EXPECT_EQ(oversizedTip, "图片文件大于2M,请重新选择合适的图片文件.");
  EXPECT_TRUE(S().boxes.empty()) << S().boxes.front();
  // The real pointer moved the marker by exactly the pointer's way.
  EXPECT_EQ(S().beginLeft, CShortcutWnd::kTrackLeft + 100);
  EXPECT_EQ(S().rangeShown, "38 至 200");

  ASSERT_NE(NodeTitled(kTitle), nullptr);
  EXPECT_EQ(NodeTitled(kTitle)->GetParentNode(), group);
  const Json::Value message = ServerMessage();
  ASSERT_TRUE(message.isObject());
  EXPECT_EQ(message["leftRange"].asInt(), CShortcutWnd::RangeValue(CShortcutWnd::kTrackLeft + 100));
  EXPECT_EQ(message["leftRange"].asInt(), 38);
  EXPECT_EQ(message["rightRange"].asInt(), 200);
  const Json::Value& details = message["msgDetailList"];
  ASSERT_EQ(details.size(), 4u);
  EXPECT_EQ(details[0]["msgDetail"].asString(),
            R"([{"content":"欢迎光临[微笑]","type":"1"},{"content":"5","type":"2"},)"
            R"({"content":"新品","type":"1"}])");
  EXPECT_EQ(details[1]["detailType"].asInt(), 2);
  EXPECT_EQ(details[3]["msgDetail"].asString(), R"([{"content":"限时八折","type":"1"}])");
  // Only the picture that was taken went to the server.
  EXPECT_EQ(FilesIn(Pictures()), picturesBefore + 1);
}

TEST_F(ShortcutEditorE2E, AfterARestartTheMessageIsEditedFromTheServerAndSentAsSaved) {
  // A restart on another machine: a new frame loads the library from the server, and the
  // picture cache is empty, so the editor fetches the picture again.
  StopFrame();
  fs::remove_all(std::string(GetUserDataFolder().GetData()) + "Images");
  StartFrame();
  ASSERT_TRUE(PumpUntil([&] { return NodeTitled(kTitle) != nullptr; }, 20000));
  ASSERT_TRUE(PumpUntil([&] { return CurrentCopy() != 0; }, 20000)) << "the copy logs in";
  Pump(500);

  Select(NodeTitled(kTitle));
  std::vector<std::string> before;
  const std::string stuck = RunInEditor(
      [&] { ASSERT_TRUE(Panel().OnMenu(4003)); },
      {{"filled from the server",
        [&] {
          for (int n = 1; n <= 4; ++n) {
            CControlUI* type = Control(("shortcut_content_type" + std::to_string(n)).c_str());
            if (!type) return false;
            before.push_back(type->GetText().str());
          }
          return true;
        }},
       {"the third text deleted", [] { return ClickOn("del_btn_4"); }},
       {"the second text moved above the picture", [] { return ClickOn("sort_btn_3"); }},
       {"saved", [] { return ClickOn("add_shortcut_btn"); }}});
  EXPECT_EQ(stuck, "");
  EXPECT_EQ(before, (std::vector<std::string>{"文本信息", "图片信息", "文本信息", "文本信息"}));
  EXPECT_TRUE(S().boxes.empty()) << S().boxes.front();

  const Json::Value message = ServerMessage();
  ASSERT_EQ(message["msgDetailList"].size(), 3u);
  EXPECT_EQ(message["leftRange"].asInt(), 38) << "the range came back with the message";
  std::vector<int> types;
  for (const Json::Value& detail : message["msgDetailList"])
    types.push_back(detail["detailType"].asInt());
  EXPECT_EQ(types, (std::vector<int>{1, 1, 2}));
  // The picture the editor fetched, uploaded again and cached is the one picked.
  const std::string cached =
      CShortcutWnd::GetCachedImage(message["msgDetailList"][2]["msgDetail"].asString(), "", false);
  EXPECT_EQ(ReadBytes(cached), ReadBytes(S().picture));

  // Sent from the tree as the operator sends it: each item a message of its own, in order.
  const DWORD copy = CurrentCopy();
  ASSERT_NE(copy, 0u);
  const size_t sent = S().session.Transcript(copy).size();
  Select(NodeTitled(kTitle));
  ASSERT_TRUE(Panel().OnMenu(4001));
  ASSERT_TRUE(PumpUntil([&] { return S().session.Transcript(copy).size() >= sent + 3; }, 20000));
  Pump(500);
  const std::vector<Json::Value> lines = S().session.Transcript(copy);
  ASSERT_EQ(lines.size(), sent + 3);
  std::vector<std::string> got;
  for (size_t i = sent; i < lines.size(); ++i) {
    const Json::Value& items = lines[i]["items"];
    ASSERT_EQ(items.size(), 1u) << i;
    if (items[0]["type"].asString() == "image")
      got.push_back(std::to_string(items[0]["width"].asInt()) + " " +
                    std::to_string(items[0]["height"].asInt()) + " " +
                    items[0]["sha256"].asString());
    else
      got.push_back(items[0]["text"].asString());
  }
  EXPECT_EQ(got, (std::vector<std::string>{kFirstText, kSecondText,
                                           S().session.PictureFigures(S().picture)}));
  EXPECT_TRUE(S().boxes.empty()) << S().boxes.front();
}

}  // namespace

namespace {

// A list that cannot be loaded is said so under the tree; F5 from the keyboard loads it
// again once the server answers.
TEST_F(ShortcutEditorE2E, AListThatFailedToLoadSaysSoAndF5LoadsItAgain) {
  StopFrame();
  const TSignInValues signedIn = GetSignInValues();
  TSignInValues expired = signedIn;
  expired.strLoginToken = "expired";
  SetSignInValues(expired);
  StartFrame();
  DuiLib::CControlUI* bar =
      S().frame->GetPaintManager().FindControl(CShortcutPanel::kLoadFailedBar);
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(PumpUntil([&] { return Panel().LoadFailed(); }, 20000));
  EXPECT_TRUE(bar->IsVisible());
  EXPECT_LE(Tree()->GetCount(), 1);
  if (const char* shot = std::getenv("TC_SHOT_LOAD_FAILED"))
    testing_support::CommandOutput(std::string("import -window root ") + shot);
  SetSignInValues(signedIn);
  // The keyboard goes to the frame: a click on the notice, then F5.
  S().frame->GetPaintManager().UpdateLayout();
  const RECT rc = S().frame->GetPaintManager().FindControl("shortcut_load_failed_tip")->GetPos();
  POINT at{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  ::ClientToScreen(S().frame->GetHWND(), &at);
  testing_support::CommandOutput("xdotool mousemove " + std::to_string(at.x) + " " +
                                 std::to_string(at.y) + " click 1");
  Pump(300);
  testing_support::CommandOutput("xdotool key F5");
  EXPECT_TRUE(PumpUntil([&] { return NodeTitled(kGroup) != nullptr; }, 20000))
      << "F5 did not load the list again";
  EXPECT_FALSE(Panel().LoadFailed());
  EXPECT_FALSE(bar->IsVisible());
  EXPECT_EQ(Tree()->GetItemAt(Tree()->GetCount() - 1)->GetName(), "-1");
  for (const std::string& box : S().boxes) EXPECT_EQ(box, "失败|登录已失效，请重新登录");
  S().boxes.clear();
}

}  // namespace
