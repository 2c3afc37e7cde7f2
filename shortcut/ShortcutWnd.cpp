#include "shortcut/ShortcutWnd.h"

#include "platform/log/Log.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "shortcut/ImageCache.h"
#include "shortcut/ShortcutSnapshot.h"

using DuiLib::CTreeNodeUI;

namespace {
constexpr const char* kDeleteCaption = "删除快捷语组";
}  // namespace

CShortcutWnd::CShortcutWnd(DuiLib::CTreeViewUI* pTree, int nMode) : m_tree(pTree), m_nMode(nMode) {}

CShortcutWnd::~CShortcutWnd() {
  ReleaseWorker();
  if (m_pLoader) m_pLoader->Stop();
}

bool CShortcutWnd::InitShortcutTree(CShortcutLoader::DoneCallback onDone) {
  TC_TRACE("CShortcutWnd::InitShortcutTree()");
  if (!m_tree.GetTree() || m_pLoader) return false;
  CTreeNodeUI* sentinel = m_tree.CreateSentinel();
  m_pLoader = std::make_unique<CShortcutLoader>();
  return m_pLoader->Start(m_tree.GetTree(), sentinel, std::move(onDone));
}

CTreeNodeUI* CShortcutWnd::AddGroupNode(const std::string& id, const std::string& title,
                                        CTreeNodeUI* pBefore) {
  return m_tree.AddGroupNode(id, title, pBefore);
}

CTreeNodeUI* CShortcutWnd::AddShortcutNode(CTreeNodeUI* pGroup, const std::string& id,
                                           const std::string& title, const std::string& json) {
  return m_tree.AddShortcutNode(pGroup, id, title, json);
}

bool CShortcutWnd::SaveShortcutTree() {
  if (!m_tree.GetTree()) return false;
  const std::string path =
      m_strSnapshotPath.empty() ? CShortcutSnapshot::DefaultPath() : m_strSnapshotPath;
  const bool saved = CShortcutSnapshot::Save(m_tree.GetTree(), path);
  if (!saved) TC_LOGF(TC_LOG_WARN, "snapshot not written: %s", path.c_str());
  return saved;
}

bool CShortcutWnd::DeleteShortcutGroup(int index) {
  TC_TRACE("CShortcutWnd::DeleteShortcutGroup()");
  CTreeNodeUI* node = m_tree.NodeAt(index);
  if (!node || node->GetParentNode() || CShortcutTree::IsSentinel(node)) return false;
  return DeleteNode(node, true);
}

bool CShortcutWnd::DeleteShortcut(int index) {
  TC_TRACE("CShortcutWnd::DeleteShortcut()");
  CTreeNodeUI* node = m_tree.NodeAt(index);
  if (!node || !node->GetParentNode()) return false;
  return DeleteNode(node, false);
}

bool CShortcutWnd::DeleteNode(CTreeNodeUI* pNode, bool isGroup) {
  CConnServer conn;
  const int result = conn.DelShortcut(pNode->GetName(), GetLoginToken(), isGroup);
  if (result < 0) {
    const std::string text =
        DeleteFailureText(result, conn.m_strResultMsg.str(), conn.m_strObj.str());
    MessageBoxA(OwnerWindow(), text.c_str(), kDeleteCaption, MB_ICONERROR);
    return false;
  }
  m_tree.RemoveNode(pNode);
  SaveShortcutTree();
  return true;
}

std::string CShortcutWnd::DeleteFailureText(int result, const std::string& message,
                                            const std::string& detail) {
  if (result == kConnFailedHere) return "请求失败, 请检查网络.";
  if (result == kConnRefused) return detail.empty() ? message : message + ": " + detail;
  return "请求失败，请联系管理员.";
}

int CShortcutWnd::AddImportedShortcut(const std::string& json, std::vector<std::string>& ids) {
  TC_TRACE("CShortcutWnd::AddImportedShortcut()");
  CConnServer conn;
  const int result = conn.AddShortcutMsg(json, ids, GetLoginToken());
  if (result < 0) return result;
  SaveShortcutTree();
  return 1;
}

std::string CShortcutWnd::GetCachedImage(const std::string& name, const std::string& source,
                                         bool download) {
  return CImageCache::GetCachedImage(name, source, download);
}

HWND CShortcutWnd::OwnerWindow() const {
  if (GetHWND()) return GetHWND();
  DuiLib::CTreeViewUI* tree = m_tree.GetTree();
  return tree && tree->GetManager() ? tree->GetManager()->GetPaintWindow() : nullptr;
}
