#include "platform/ui/gallery/GalleryWnd.h"

#include "platform/log/Log.h"

using namespace DuiLib;

namespace {

CTreeNodeUI* makeNode(const char* name, const char* text) {
  auto* node = new CTreeNodeUI;
  node->SetName(name);
  node->SetItemText(text);
  node->SetItemTextColor(0xFF333333);
  return node;
}

void giveFolderImages(CTreeNodeUI* group) {
  group->SetAttribute(
      "folderattr",
      "padding=\"4,4,4,0\" width=\"13\" height=\"13\" "
      "normalimage=\"file='gallery/expand.png'\" selectedimage=\"file='gallery/collapse.png'\"");
}

}  // namespace

void CGalleryWnd::InitWindow() {
  FillTree();
  FillList();
  FillRichEdit();
}

void CGalleryWnd::FillTree() {
  auto* tree = static_cast<CTreeViewUI*>(m_PaintManager.FindControl("tree"));
  if (!tree) return;
  // The hidden last node: groups are inserted before it.
  auto* last = makeNode("-1", "LastNode");
  tree->Add(last);
  last->SetVisible(false);
  const char* groups[][4] = {{"1", "常用问候", "您好，请问有什么可以帮您？", "欢迎光临 🎉"},
                             {"2", "售后服务", "退换货流程说明", "物流查询"},
                             {"3", "English replies", "Thanks for your order!", "See you 👋"}};
  for (const auto& g : groups) {
    CTreeNodeUI* group = makeNode(g[0], g[1]);
    giveFolderImages(group);
    tree->AddAt(group, last);
    group->AddChildNode(makeNode((std::string(g[0]) + "1").c_str(), g[2]));
    group->AddChildNode(makeNode((std::string(g[0]) + "2").c_str(), g[3]));
  }
  tree->SelectItem(1, false, false);
}

void CGalleryWnd::FillList() {
  auto* list = static_cast<CListUI*>(m_PaintManager.FindControl("list"));
  if (!list) return;
  const char* accounts[] = {"客服小王", "客服小李 ✨", "Support Anna", "[未登录]", "备用账号"};
  int index = 0;
  for (const char* account : accounts) {
    auto* row = new CListLabelElementUI;
    row->SetName(("account_" + std::to_string(index++)).c_str());
    row->SetText(account);
    row->SetFixedHeight(26);
    list->Add(row);
  }
  list->SelectItem(0, false, false);
}

void CGalleryWnd::FillRichEdit() {
  auto* rich = static_cast<CRichEditUI*>(m_PaintManager.FindControl("rich"));
  if (!rich) return;
  rich->SetText("富文本编辑：文字和表情图片 ");
  rich->SetSel(-1, -1);
  rich->InsertPicture("gallery/smile.png", 1);
  rich->ReplaceSel(" 混排，Emoji 😀 也可以。\n第二行 second line.");
}

void CGalleryWnd::Notify(TNotifyUI& msg) {
  if (msg.sType == DUI_MSGTYPE_SELECTCHANGED && msg.pSender) {
    auto* tabs = static_cast<CTabLayoutUI*>(m_PaintManager.FindControl("tabs"));
    if (tabs) tabs->SelectItem(msg.pSender->GetName() == "opt_image" ? 1 : 0);
  } else if (msg.sType == DUI_MSGTYPE_LINK && msg.pSender) {
    auto* text = static_cast<CTextUI*>(msg.pSender->GetInterface(DUI_CTR_TEXT));
    if (text) TC_LOG(TC_LOG_INFO, "gallery: link " << text->GetLinkContent(msg.ptMouse).str());
  }
  WindowImplBase::Notify(msg);
}

LRESULT CGalleryWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  if (uMsg == WM_TIMER && wParam == 1) {
    ::KillTimer(m_hWnd, 1);
    Close();
    bHandled = TRUE;
  }
  return 0;
}

void CGalleryWnd::OnFinalMessage(HWND hWnd) {
  WindowImplBase::OnFinalMessage(hWnd);
  PostQuitMessage(0);
}
