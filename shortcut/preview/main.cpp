// shortcut_preview: opens the quick-message editor in a chosen state for screenshots and
// keeps it open until killed. It prints "window <id>" once the window is shown.
//
//   shortcut_preview MODE [--program-folder DIR]
//
// Modes: group (a new group being named), message (a message with three items being
// edited), content-text (the content page with the text emoticons), content-emoji (with the
// picture emoji), content-picture (a wide picture picked). Nothing talks to a server: the
// pictures come from the skin and go into the picture cache first.
#include "app/Settings.h"
#include "app/Startup.h"
#include "platform/ui/UIlib.h"
#include "shortcut/ImageCache.h"
#include "shortcut/ShortcutTree.h"
#include "shortcut/ShortcutWnd.h"

#include <cstdio>
#include <functional>
#include <map>
#include <string>

using namespace DuiLib;

namespace {

void Notify(WindowImplBase& window, const char* name, const char* type) {
  if (CControlUI* control = window.GetPaintManager().FindControl(name))
    window.GetPaintManager().SendNotify(control, type);
}
void Click(WindowImplBase& window, const char* name) {
  Notify(window, name, DUI_MSGTYPE_CLICK);
}

std::string g_picked;

CShortcutWnd* Open(CTreeViewUI* tree, int mode) {
  auto* editor = new CShortcutWnd(tree, mode);
  editor->Create(nullptr, "", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 0);
  editor->CenterWindow();
  return editor;
}

// The content page of a new message with a text of emoticons and emoji being written.
CShortcutWnd* ContentText(CTreeViewUI* tree) {
  CShortcutWnd* editor = Open(tree, CShortcutWnd::kModeNewMessage);
  Click(*editor, "add_content_btn");
  Click(*editor, "QQ_emtion_1");
  auto* edit =
      static_cast<CRichEditUI*>(editor->GetPaintManager().FindControl("shortcut_richedit"));
  edit->ReplaceSel("亲，您好！欢迎光临本店");
  Click(*editor, "sign_emotion_22");
  edit->ReplaceSel("，有什么可以帮您的吗？");
  Click(*editor, "sign_emotion_20");
  return editor;
}

const std::map<std::string, std::function<WindowImplBase*(CTreeViewUI*)>> kModes = {
    {"group",
     [](CTreeViewUI* tree) {
       CShortcutWnd* editor = Open(tree, CShortcutWnd::kModeNewGroup);
       Notify(*editor, "shortcut_groupname_edit", DUI_MSGTYPE_SETFOCUS);
       editor->GetPaintManager().FindControl("shortcut_groupname_edit")->SetText("售后服务");
       return editor;
     }},
    {"message",
     [](CTreeViewUI* tree) {
       const std::string logo = ::CImageCache::GetCachedImage(
           "preview/logo.png", GetProgramFolder() + "skin/splash_logo.png", false);
       const std::string json =
           R"({"contentTitle":"退货说明","leftRange":20,"msgDetailList":[)"
           R"({"detailType":1,"msgDetail":"[{\"content\":\"[微笑]亲，七天无理由退货，请保留好包装\",\"type\":\"1\"},{\"content\":\"16\",\"type\":\"2\"}]","sort":1},)"
           R"({"detailType":2,"downLoadURL":")" +
           logo +
           R"(","msgDetail":"preview/logo.png","sort":2},)"
           R"({"detailType":1,"msgDetail":"[{\"content\":\"退货地址：上海市浦东新区示例路 88 号\",\"type\":\"1\"}]","sort":3}],"rightRange":150})";
       CShortcutTree shortcuts(tree);
       CTreeNodeUI* group = shortcuts.AddGroupNode("1", "售后", shortcuts.FindSentinel());
       CTreeNodeUI* node = shortcuts.AddShortcutNode(group, "7", "退货说明", json);
       tree->SelectItem(node->GetTreeIndex(), false, false);
       return Open(tree, CShortcutWnd::kModeEditMessage);
     }},
    {"content-text", [](CTreeViewUI* tree) { return ContentText(tree); }},
    {"content-emoji",
     [](CTreeViewUI* tree) {
       CShortcutWnd* editor = ContentText(tree);
       Notify(*editor, "motion_sign", DUI_MSGTYPE_SELECTCHANGED);
       static_cast<COptionUI*>(editor->GetPaintManager().FindControl("motion_sign"))
           ->Selected(true);
       return editor;
     }},
    {"content-picture",
     [](CTreeViewUI* tree) {
       CShortcutWnd* editor = Open(tree, CShortcutWnd::kModeNewMessage);
       Click(*editor, "add_content_btn");
       static_cast<COptionUI*>(editor->GetPaintManager().FindControl("image_shortcut_element"))
           ->Selected(true);
       editor->GetPaintManager().UpdateLayout();
       g_picked = GetProgramFolder() + "skin/splash_bk.png";
       SetFileDialogHook([](bool, const OPENFILENAMEA&) { return g_picked; });
       Click(*editor, "upload_img_btn");
       return editor;
     }},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !kModes.count(argv[1])) {
    std::fprintf(stderr, "usage: shortcut_preview MODE [--program-folder DIR]\nmodes:");
    for (const auto& mode : kModes) std::fprintf(stderr, " %s", mode.first.c_str());
    std::fprintf(stderr, "\n");
    return 2;
  }
  for (int i = 2; i + 1 < argc; i += 2)
    if (std::string(argv[i]) == "--program-folder") SetProgramFolder(argv[i + 1]);
  CPaintManagerUI::SetInstance(nullptr);
  PrepareFolders();
  // The frame's tree, in a manager without a window.
  CPaintManagerUI manager;
  CDialogBuilder builder;
  CControlUI* root = builder.Create(R"(<Window><TreeView name="shortcut_tree"/></Window>)", nullptr,
                                    nullptr, &manager);
  manager.AttachDialog(root);
  auto* tree = static_cast<CTreeViewUI*>(manager.FindControl("shortcut_tree"));
  CShortcutTree(tree).CreateSentinel();
  WindowImplBase* window = kModes.at(argv[1])(tree);
  if (!window || !window->GetHWND()) return 1;
  std::printf("window %lu\n", static_cast<unsigned long>(HandleToULong32(window->GetHWND())));
  std::fflush(stdout);
  CPaintManagerUI::MessageLoop();
  return 0;
}
