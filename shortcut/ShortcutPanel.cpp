#include "shortcut/ShortcutPanel.h"

#include "app/Settings.h"
#include "app/WindowIds.h"
#include "platform/log/Log.h"
#include "platform/ui/desktop/FileDialogs.h"
#include "platform/ui/desktop/MessageBoxes.h"
#include "platform/win32/Files.h"
#include "platform/win32/Input.h"
#include "server/ConnServer.h"
#include "shortcut/ShortcutEditor.h"
#include "wechat/WebchatEngine.h"

#include <array>
#include <cstring>

using DuiLib::CControlUI;
using DuiLib::CTreeNodeUI;

namespace {

constexpr DWORD kFileDialogFlags =
    OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
constexpr DWORD kFileBufferBytes = 20800;
constexpr const char* kImportFilter =
    "Excel 工作簿(*.xlsx;*.xls)\0*.xlsx;*.xls\0所有文件(*.*)\0*.*\0";
constexpr const char* kTemplateBaseName = "快捷语导入模板";

// What the server sent as the template, judged by its first bytes: a zip container is an
// .xlsx workbook, an OLE compound file an .xls one.
struct TTemplateKind {
  const char* szMagic;
  size_t nMagic;
  const char* szExtension;
  const char* szFilter;
};
constexpr std::array<TTemplateKind, 2> kTemplateKinds = {{
    {"PK\x03\x04", 4, ".xlsx", "Excel 工作簿(*.xlsx)\0*.xlsx\0"},
    {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8, ".xls", "Excel 97-2003 工作簿(*.xls)\0*.xls\0"},
}};

const TTemplateKind* templateKindOf(const std::string& path) {
  std::string bytes;
  if (!win32::ReadWholeFile(path, bytes)) return nullptr;
  for (const TTemplateKind& kind : kTemplateKinds)
    if (bytes.compare(0, kind.nMagic, kind.szMagic, kind.nMagic) == 0) return &kind;
  return nullptr;
}

// A file dialog with the fixed structure; returns the chosen path or empty (cancelled).
std::string askForFile(HWND owner, bool save, const char* filter, const std::string& name) {
  std::string buffer(kFileBufferBytes, '\0');
  std::memcpy(buffer.data(), name.data(), std::min(name.size(), buffer.size() - 1));
  OPENFILENAMEA ofn;
  ofn.lStructSize = 88;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = kFileBufferBytes;
  ofn.Flags = kFileDialogFlags;
  const BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  return chosen ? std::string(buffer.c_str()) : std::string();
}

bool isTreeNodeOf(CControlUI* control, DuiLib::CTreeViewUI* tree) {
  if (!control) return false;
  auto* node = static_cast<CTreeNodeUI*>(control->GetInterface(DuiLib::DUI_CTR_TREENODE));
  return node && node->GetTreeView() == tree;
}

bool contains(const RECT& rc, POINT pt) {
  return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

}  // namespace

CShortcutPanel::CShortcutPanel(IShortcutPanelHost& host, DuiLib::CTreeViewUI* pTree)
    : m_host(host),
      m_pTree(pTree),
      m_sender(*this, &CShortcutItems::CachedPicture),
      m_search(pTree) {}

CShortcutPanel::~CShortcutPanel() = default;

bool CShortcutPanel::Init(CShortcutLoader::DoneCallback onLoaded) {
  m_onLoaded = std::move(onLoaded);
  m_pLoader = std::make_unique<CShortcutWnd>(m_pTree, CShortcutWnd::kModeLoader);
  return m_pLoader->InitShortcutTree([this](bool listed) {
    // An empty tree alone would read as an empty library.
    m_bLoadFailed = !listed;
    if (m_pTree && m_pTree->GetManager())
      if (CControlUI* bar = m_pTree->GetManager()->FindControl(kLoadFailedBar))
        bar->SetVisible(m_bLoadFailed);
    if (m_onLoaded) m_onLoaded(listed);
  });
}

bool CShortcutPanel::Reload() {
  if (!m_bLoadFailed || !m_pTree) return false;
  m_bLoadFailed = false;
  if (m_pTree->GetManager())
    if (CControlUI* bar = m_pTree->GetManager()->FindControl(kLoadFailedBar))
      bar->SetVisible(false);
  m_pLoader.reset();  // its thread has ended: the failure was its last word
  m_search.Apply("");
  m_pTree->RemoveAll();
  return Init(std::move(m_onLoaded));
}

bool CShortcutPanel::OnKey(WPARAM vk) {
  return vk == VK_F5 && Reload();
}

bool CShortcutPanel::Notify(DuiLib::TNotifyUI& msg, bool rightButtonDown) {
  const DuiLib::CDuiString& type = msg.sType;
  const std::string name = msg.pSender ? msg.pSender->GetName().str() : std::string();
  if (type == DuiLib::DUI_MSGTYPE_ITEMCLICK && isTreeNodeOf(msg.pSender, m_pTree)) {
    if (!rightButtonDown) CiteByClick(msg.pSender);
    return true;
  }
  if (type == DuiLib::DUI_MSGTYPE_ITEMDBCLICK && isTreeNodeOf(msg.pSender, m_pTree)) {
    SendShortcut();
    return true;
  }
  if (type == DuiLib::DUI_MSGTYPE_CLICK && name == "shortcut_add") {
    OpenEditor(CShortcutWnd::kModeNewGroup);
    return true;
  }
  if (type == DuiLib::DUI_MSGTYPE_CLICK && name == kReloadButton) {
    Reload();
    return true;
  }
  if (type == DuiLib::DUI_MSGTYPE_CLICK && name == "shortcut_download") {
    DownloadShortcut();
    return true;
  }
  if (name == "shortcut_search" && type == DuiLib::DUI_MSGTYPE_TEXTCHANGED) {
    Search(msg.pSender->GetText().str());
    return true;
  }
  if (name == "shortcut_search" && type == DuiLib::DUI_MSGTYPE_RETURN) {
    OnSearchReturn(GetAsyncKeyState(VK_CONTROL) < 0);
    return true;
  }
  return false;
}

bool CShortcutPanel::OnMenu(int command) {
  TC_TRACE("CShortcutPanel::OnMenu()");
  switch (command) {
    case kMenuSendShortcut:
      SendShortcut();
      return true;
    case kMenuCiteShortcut:
      CiteShortcut();
      return true;
    case kMenuEditShortcut:
      OpenEditor(CShortcutWnd::kModeEditMessage);
      return true;
    case kMenuDeleteShortcut:
      DeleteSelected(false);
      return true;
    case kMenuAddShortcut:
      OpenEditor(CShortcutWnd::kModeNewMessage);
      return true;
    case kMenuImportShortcuts:
      ImportShortCut();
      return true;
    case kMenuRenameGroup:
      OpenEditor(CShortcutWnd::kModeEditGroup);
      return true;
    case kMenuDeleteGroup:
      DeleteSelected(true);
      return true;
    default:
      return false;
  }
}

void CShortcutPanel::OnSendTimer() {
  m_sender.Step();
}

void CShortcutPanel::CiteByClick(CControlUI* pNode) {
  if (!m_host.PanelManager() || !m_host.HasAccountList()) return;
  const std::string key = m_host.SelectedAccountKey();
  if (key.empty() || !pNode) return;
  // Also a group or an empty message: the box is then activated and cleared.
  const TShortcutItems items =
      CShortcutItems::FromMessage(pNode->GetUserData().str(), &CShortcutItems::CachedPicture);
  InputTextVec(key, items.vecItems);
  ReportPictures(items);
}

void CShortcutPanel::CiteShortcut() {
  // This label is the design's, fixed word for word.
  TC_TRACE("CMainFrameWnd::CiteShortcut()");
  CTreeNodeUI* node = SelectedNode();
  if (!node || node->GetUserData().IsEmpty()) return;
  if (!m_host.PanelManager() || !m_host.HasAccountList()) return;
  const std::string key = m_host.SelectedAccountKey();
  if (key.empty()) return;
  const TShortcutItems items =
      CShortcutItems::FromMessage(node->GetUserData().str(), &CShortcutItems::CachedPicture);
  if (!items.vecItems.empty()) InputTextVec(key, items.vecItems);
  ReportPictures(items);
}

void CShortcutPanel::SendShortcut() {
  // This label is the design's, fixed word for word.
  TC_TRACE("CMainFrameWnd::SendShortcut()");
  CTreeNodeUI* node = SelectedNode();
  if (!node || node->GetUserData().IsEmpty()) return;
  if (!m_host.PanelManager() || !m_host.HasAccountList()) return;
  m_sender.Start(node->GetUserData().str());
}

void CShortcutPanel::DownloadShortcut() {
  // This label is the design's, fixed word for word.
  TC_TRACE("CMainFrameWnd::DownloadShortcut()");
  const CDuiString folder = GetUserDataFolder();
  if (folder.IsEmpty()) return;
  // Fetched first, so that the file gets the name and filter of what the server really sent.
  const std::string temporary = folder.str() + "ImportTemplate.download";
  CConnServer conn;
  if (conn.DownloadFile("", temporary).empty()) {
    DeleteFileA(temporary.c_str());
    MessageBoxA(m_host.PanelOwner(), conn.m_strResultMsg.GetData(), "下载模板", MB_ICONERROR);
    return;
  }
  const TTemplateKind* kind = templateKindOf(temporary);
  const char* extension = kind ? kind->szExtension : ".xlsx";
  const char* filter = kind ? kind->szFilter : kTemplateKinds[0].szFilter;
  const std::string target =
      askForFile(m_host.PanelOwner(), true, filter, std::string(kTemplateBaseName) + extension);
  // Written as any document the user saves (0644), not with the private download's mode.
  std::string bytes;
  if (!target.empty() &&
      (!win32::ReadWholeFile(temporary, bytes) || !win32::WriteFileAtomically(target, bytes, 0644)))
    MessageBoxA(m_host.PanelOwner(), "模板保存失败, 请检查保存位置.", "下载模板", MB_ICONERROR);
  DeleteFileA(temporary.c_str());
}

void CShortcutPanel::ImportShortCut() {
  // This label is the design's, fixed word for word.
  TC_TRACE("CMainFrameWnd::ImportShortCut()");
  if (m_importer.IsRunning()) {
    MessageBoxA(m_host.PanelOwner(), "正在导入快捷语, 请稍候.", CShortcutImporter::kCaption,
                MB_ICONINFORMATION);
    return;
  }
  const std::string path = askForFile(m_host.PanelOwner(), false, kImportFilter,
                                      std::string(kTemplateBaseName) + ".xlsx");
  if (path.empty()) return;
  CTreeNodeUI* group = SelectedGroup();
  if (!group) return;
  m_host.ShowImportProgress(0, 0);
  m_importer.Start(
      m_pTree, group->GetName().str(), path,
      [this](int done, int total) { m_host.ShowImportProgress(done, total); },
      [this](const TImportOutcome& outcome) {
        m_host.ShowImportProgress(-1, -1);
        const std::string text = CShortcutImporter::OutcomeText(outcome);
        if (!text.empty())
          MessageBoxA(m_host.PanelOwner(), text.c_str(), CShortcutImporter::kCaption,
                      MB_ICONEXCLAMATION);
      });
}

void CShortcutPanel::Search(const std::string& query) {
  m_search.Apply(query);
}

void CShortcutPanel::OnSearchReturn(bool send) {
  CTreeNodeUI* hit = m_search.FirstHit();
  if (!hit) return;
  m_pTree->SelectItem(hit->GetTreeIndex(), false, false);
  if (send)
    SendShortcut();
  else
    CiteShortcut();
}

const char* CShortcutPanel::ContextMenuAt(POINT point) const {
  if (!m_pTree || !contains(m_pTree->GetPos(), point)) return nullptr;
  CTreeNodeUI* node = SelectedNode();
  if (!node || !contains(node->GetPos(), point)) return nullptr;
  return node->GetParentNode() ? kMessageMenu : kGroupMenu;
}

void CShortcutPanel::UpdateEmptyState() {
  if (!m_pTree) return;
  // Only set when it changes: setting an attribute lays the window out again.
  const char* image = m_pTree->GetCount() < 2 ? kEmptyImage : "";
  if (std::strcmp(m_pTree->GetBkImage(), image) != 0) m_pTree->SetAttribute("bkimage", image);
}

std::string CShortcutPanel::SelectedKey() {
  return m_host.SelectedAccountKey();
}

std::string CShortcutPanel::CurrentKey() {
  CWebchatEngine* manager = m_host.PanelManager();
  return manager ? manager->GetCurrWeChat() : std::string();
}

bool CShortcutPanel::InputTextVec(const std::string& key, const std::vector<INPUTDATA>& items) {
  CWebchatEngine* manager = m_host.PanelManager();
  return manager && manager->InputTextVec(key.c_str(), items);
}

void CShortcutPanel::SendCurrText(const std::string& key) {
  if (CWebchatEngine* manager = m_host.PanelManager()) manager->SendCurrText(key.c_str());
}

bool CShortcutPanel::SendImageByCopy(const std::string& key, const std::string& path) {
  CWebchatEngine* manager = m_host.PanelManager();
  return manager && manager->SendImageByCopy(key.c_str(), path.c_str());
}

void CShortcutPanel::ShowMessage(const std::string& text, const std::string& caption, UINT type) {
  MessageBoxA(m_host.PanelOwner(), text.c_str(), caption.c_str(), type);
}

void CShortcutPanel::StartSendTimer(UINT milliseconds) {
  m_host.StartSendTimer(milliseconds);
}

CTreeNodeUI* CShortcutPanel::SelectedNode() const {
  return CShortcutTree(m_pTree).Selected();
}

CTreeNodeUI* CShortcutPanel::SelectedGroup() const {
  CTreeNodeUI* node = SelectedNode();
  if (node && node->GetParentNode()) node = node->GetParentNode();
  return node && !CShortcutTree::IsSentinel(node) ? node : nullptr;
}

void CShortcutPanel::OpenEditor(int mode) {
  m_host.DimForModal(true);
  RunShortcutEditor(m_host.PanelOwner(), m_pTree, mode);
  m_host.DimForModal(false);
}

void CShortcutPanel::DeleteSelected(bool group) {
  CTreeNodeUI* node = SelectedNode();
  if (!node || (node->GetParentNode() != nullptr) == group) return;
  const std::string title = node->GetItemText().str();
  const std::string question = group ? "确定删除快捷语组“" + title + "”及其中的全部快捷语吗？"
                                     : "确定删除快捷语“" + title + "”吗？";
  if (MessageBoxA(m_host.PanelOwner(), question.c_str(), "确认", MB_ICONQUESTION | MB_OKCANCEL) !=
      IDOK)
    return;
  // A short-lived instance, never shown, as every delete uses.
  CShortcutWnd wnd(m_pTree, CShortcutWnd::kModeNewMessage);
  if (group)
    wnd.DeleteShortcutGroup(node->GetTreeIndex());
  else
    wnd.DeleteShortcut(node->GetTreeIndex());
}

void CShortcutPanel::ReportPictures(const TShortcutItems& items) {
  if (items.vecFailedPictures.empty()) return;
  MessageBoxA(m_host.PanelOwner(), "图片获取失败, 快捷语中的图片未能插入.",
              CShortcutSender::kMismatchCaption, MB_ICONWARNING);
}
