#include "shortcut/ShortcutTree.h"

using DuiLib::CControlUI;
using DuiLib::CTreeNodeUI;

CTreeNodeUI* CShortcutTree::CreateSentinel() {
  if (!m_pTree) return nullptr;
  if (CTreeNodeUI* existing = FindSentinel()) return existing;
  auto* sentinel = new CTreeNodeUI;
  sentinel->SetName(kSentinelName);
  sentinel->SetItemText(kSentinelText);
  m_pTree->Add(sentinel);
  sentinel->SetVisible(false);
  return sentinel;
}

CTreeNodeUI* CShortcutTree::FindSentinel() const {
  if (!m_pTree) return nullptr;
  for (int i = m_pTree->GetCount() - 1; i >= 0; --i) {
    CControlUI* item = m_pTree->GetItemAt(i);
    if (IsSentinel(item)) return static_cast<CTreeNodeUI*>(item);
  }
  return nullptr;
}

bool CShortcutTree::IsSentinel(const CControlUI* pNode) {
  if (!pNode) return false;
  auto* node = const_cast<CControlUI*>(pNode);
  auto* treeNode = static_cast<CTreeNodeUI*>(node->GetInterface(DuiLib::DUI_CTR_TREENODE));
  return treeNode && !treeNode->GetParentNode() && treeNode->GetName() == kSentinelName &&
         treeNode->GetItemText() == kSentinelText;
}

CTreeNodeUI* CShortcutTree::AddGroupNode(const std::string& id, const std::string& title,
                                         CTreeNodeUI* pBefore) {
  if (!m_pTree) return nullptr;
  auto* group = new CTreeNodeUI;
  group->SetItemText(title.c_str());
  group->SetName(id.c_str());
  group->SetAttribute("folderattr", kFolderAttr);
  const bool added = pBefore ? m_pTree->AddAt(group, pBefore) : m_pTree->Add(group);
  if (!added) {
    delete group;
    return nullptr;
  }
  return group;
}

CTreeNodeUI* CShortcutTree::AddShortcutNode(CTreeNodeUI* pGroup, const std::string& id,
                                            const std::string& title, const std::string& json) {
  if (!m_pTree || !pGroup) return nullptr;
  auto* node = new CTreeNodeUI;
  node->SetName(id.c_str());
  node->SetItemText(title.c_str());
  node->SetUserData(json.c_str());
  if (!pGroup->AddChildNode(node)) {
    delete node;
    return nullptr;
  }
  node->SetVisible(true);
  // Scrolling follows the selection; without one there is nothing to bring into view.
  if (m_pTree->GetCurSel() >= 0) m_pTree->EnsureVisible(node->GetTreeIndex());
  return node;
}

CTreeNodeUI* CShortcutTree::NodeAt(int index) const {
  if (!m_pTree || index < 0 || index >= m_pTree->GetCount()) return nullptr;
  return static_cast<CTreeNodeUI*>(
      m_pTree->GetItemAt(index)->GetInterface(DuiLib::DUI_CTR_TREENODE));
}

CTreeNodeUI* CShortcutTree::Selected() const {
  return m_pTree ? NodeAt(m_pTree->GetCurSel()) : nullptr;
}

std::vector<CTreeNodeUI*> CShortcutTree::Groups() const {
  std::vector<CTreeNodeUI*> groups;
  if (!m_pTree) return groups;
  for (int i = 0; i < m_pTree->GetCount(); ++i) {
    CTreeNodeUI* node = NodeAt(i);
    if (node && !node->GetParentNode() && !IsSentinel(node)) groups.push_back(node);
  }
  return groups;
}

CTreeNodeUI* CShortcutTree::FindGroup(const std::string& id) const {
  for (CTreeNodeUI* group : Groups())
    if (group->GetName() == id.c_str()) return group;
  return nullptr;
}

bool CShortcutTree::RemoveNode(CTreeNodeUI* pNode) {
  if (!m_pTree || !pNode) return false;
  if (CTreeNodeUI* parent = pNode->GetParentNode()) return parent->RemoveAt(pNode);
  while (pNode->GetCountChild() > 0) pNode->RemoveAt(pNode->GetChildNode(0));
  return m_pTree->Remove(pNode);
}
