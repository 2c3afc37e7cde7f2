#include "platform/ui/controls/TreeViewUI.h"

#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/AttributeTable_p.h"

#include <algorithm>
#include <cstring>

namespace DuiLib {
namespace {

CTreeNodeUI* treeNodeOf(CControlUI* control) {
  return control ? static_cast<CTreeNodeUI*>(control->GetInterface(DUI_CTR_TREENODE)) : nullptr;
}

}  // namespace

LPCTSTR CTreeViewUI::GetClass() const {
  return "TreeViewUI";
}

LPVOID CTreeViewUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_TREEVIEW) == 0) return this;
  return CListUI::GetInterface(pstrName);
}

bool CTreeViewUI::Add(CControlUI* pControl) {
  CTreeNodeUI* node = treeNodeOf(pControl);
  if (!node) return CListUI::Add(pControl);
  // A node given to the tree directly is top-level.
  return AddAt(pControl, GetCount());
}

bool CTreeViewUI::AddAt(CControlUI* pControl, int iIndex) {
  CTreeNodeUI* node = treeNodeOf(pControl);
  if (!node) return CListUI::AddAt(pControl, iIndex);
  // A node in this tree has it as its tree view, so a new node needs no search.
  if (node->GetTreeView() == this && GetItemIndex(node) >= 0) return false;
  node->SetTreeView(this);
  if (!m_bVisibleFolderBtn) node->SetVisibleFolderBtn(false);
  if (m_bVisibleCheckBtn) node->SetVisibleCheckBtn(true);
  if (!CListUI::AddAt(node, iIndex)) return false;
  InsertDescendants(node);
  return true;
}

bool CTreeViewUI::AddAt(CTreeNodeUI* pControl, CTreeNodeUI* pIndexNode) {
  const int index = pIndexNode ? GetItemIndex(pIndexNode) : -1;
  return AddAt(pControl, index >= 0 ? index : GetCount());
}

void CTreeViewUI::InsertDescendants(CTreeNodeUI* pNode) {
  int index = GetItemIndex(pNode) + 1;
  for (int i = 0; i < pNode->GetCountChild(); ++i) {
    CTreeNodeUI* child = pNode->GetChildNode(i);
    child->SetTreeView(this);
    if (GetItemIndex(child) < 0) CListUI::AddAt(child, index);
    InsertDescendants(child);
    index = GetItemIndex(child) + 1 + child->GetDescendantCount();
  }
}

bool CTreeViewUI::Remove(CControlUI* pControl, bool bDoNotDestroy) {
  CTreeNodeUI* node = treeNodeOf(pControl);
  if (!node || GetItemIndex(node) < 0) return CListUI::Remove(pControl, bDoNotDestroy);
  // Descendants first, so that every link is cut before anything is destroyed.
  while (node->GetCountChild() > 0) {
    CTreeNodeUI* child = node->GetChildNode(node->GetCountChild() - 1);
    if (GetItemIndex(child) >= 0) {
      Remove(child, bDoNotDestroy);
    } else {
      node->m_aTreeNodes.pop_back();
      child->m_pParentTreeNode = nullptr;
      if (!bDoNotDestroy && !child->GetParent()) delete child;
    }
  }
  if (CTreeNodeUI* parent = node->GetParentNode()) {
    auto& siblings = parent->m_aTreeNodes;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), node), siblings.end());
    node->m_pParentTreeNode = nullptr;
    parent->GetFolderButton()->Invalidate();
  }
  node->m_pTreeView = nullptr;
  return CListUI::Remove(node, bDoNotDestroy);
}

bool CTreeViewUI::RemoveAt(int iIndex, bool bDoNotDestroy) {
  CControlUI* control = GetItemAt(iIndex);
  if (!control) return false;
  if (treeNodeOf(control)) return Remove(control, bDoNotDestroy);
  return CListUI::RemoveAt(iIndex, bDoNotDestroy);
}

void CTreeViewUI::RemoveAll() {
  // Last first: descendants go before their ancestors.
  while (GetCount() > 0) Remove(GetItemAt(GetCount() - 1));
  CListUI::RemoveAll();
}

void CTreeViewUI::SetItemExpand(bool bExpanded, CTreeNodeUI* pTreeNode) {
  if (!pTreeNode) {
    for (int i = 0; i < GetCount(); ++i) {
      CTreeNodeUI* node = treeNodeOf(GetItemAt(i));
      if (!node || node->GetParentNode()) continue;
      node->GetFolderButton()->Selected(!bExpanded, false);
      SetItemExpand(bExpanded, node);
    }
    return;
  }
  for (int i = 0; i < pTreeNode->GetCountChild(); ++i) {
    CTreeNodeUI* child = pTreeNode->GetChildNode(i);
    child->SetVisible(bExpanded);
    // Below a collapsed child everything stays hidden when expanding.
    if (child->IsHasChild() && (child->IsExpanded() || !bExpanded)) SetItemExpand(bExpanded, child);
  }
}

void CTreeViewUI::SetVisibleFolderBtn(bool bVisible) {
  m_bVisibleFolderBtn = bVisible;
  for (int i = 0; i < GetCount(); ++i)
    if (CTreeNodeUI* node = treeNodeOf(GetItemAt(i))) node->SetVisibleFolderBtn(bVisible);
}

void CTreeViewUI::SetVisibleCheckBtn(bool bVisible) {
  m_bVisibleCheckBtn = bVisible;
  for (int i = 0; i < GetCount(); ++i)
    if (CTreeNodeUI* node = treeNodeOf(GetItemAt(i))) node->SetVisibleCheckBtn(bVisible);
}

void CTreeViewUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using C = CTreeViewUI;
  static const TAttributeSetter<C> table[] = {
      {"visiblefolderbtn", BoolAttribute<C, &C::SetVisibleFolderBtn>},
      {"visiblecheckbtn", BoolAttribute<C, &C::SetVisibleCheckBtn>},
      {"itemminwidth", NonNegativeIntAttribute<C, &C::SetItemMinWidth>},
  };
  if (ApplyFromTable(*this, table, pstrName, pstrValue)) return;
  CListUI::SetAttribute(pstrName, pstrValue);
}

}  // namespace DuiLib
