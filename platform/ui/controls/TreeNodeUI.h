// A tree node: a list row with an indent, a folder (expand/collapse) button, an optional
// check box and the item text. Nodes live in the tree view's list in tree order: a node's
// descendants follow it directly. A double click raises "itemdbclick".
//
// The folder button's selected state means "collapsed"; clicking it hides or shows the
// node's descendants (those below a collapsed node stay hidden).
#pragma once

#include "platform/ui/controls/ListContainerElementUI.h"
#include "platform/ui/controls/OptionUI.h"

#include <vector>

namespace DuiLib {

class CTreeViewUI;

class CTreeNodeUI : public CListContainerElementUI {
 public:
  explicit CTreeNodeUI(CTreeNodeUI* pParentNode = nullptr);
  ~CTreeNodeUI() override;

  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  // A node child joins this node (AddChildNode); other controls join the row.
  bool Add(CControlUI* pControl) override;
  bool AddAt(CControlUI* pControl, int iIndex) override;
  bool Remove(CControlUI* pControl, bool bDoNotDestroy = false) override;

  void SetItemText(LPCTSTR pstrValue);
  CDuiString GetItemText() const;
  void SetText(LPCTSTR pstrText) override { SetItemText(pstrText); }
  CDuiString GetText() const override { return GetItemText(); }
  void SetItemTextColor(DWORD dwColor);
  void SetItemHotTextColor(DWORD dwColor);
  void SetSelItemTextColor(DWORD dwColor);
  void SetSelItemHotTextColor(DWORD dwColor);

  // Appends a child node (after this node's last descendant in the tree's list).
  bool AddChildNode(CTreeNodeUI* pTreeNode);
  bool AddChildNodeAt(CTreeNodeUI* pTreeNode, int iNodeIndex);
  // Removes (and destroys) a child node with its descendants.
  bool RemoveAt(CTreeNodeUI* pTreeNode);
  using CListContainerElementUI::RemoveAt;
  CTreeNodeUI* GetParentNode() const { return m_pParentTreeNode; }
  void SetParentNode(CTreeNodeUI* pParentTreeNode);
  int GetCountChild() const { return static_cast<int>(m_aTreeNodes.size()); }
  CTreeNodeUI* GetChildNode(int nIndex) const;
  bool IsHasChild() const { return !m_aTreeNodes.empty(); }
  // Number of nodes below this one (children, grandchildren, ...).
  int GetDescendantCount() const;
  CTreeNodeUI* GetLastNode();
  int GetTreeLevel() const;
  // Position in the tree view's list (-1 outside a tree).
  int GetTreeIndex() const;
  // Position among its parent's children (or among the top-level nodes).
  int GetNodeIndex() const;
  CTreeViewUI* GetTreeView() const { return m_pTreeView; }
  void SetTreeView(CTreeViewUI* pTreeView);

  bool IsExpanded() const override;
  bool Expand(bool bExpand = true) override;
  void SetVisibleFolderBtn(bool bVisible);
  bool GetVisibleFolderBtn() const;
  void SetVisibleCheckBtn(bool bVisible);
  bool GetVisibleCheckBtn() const;
  bool IsCheckBoxSelected() const;
  void SetCheckBoxSelected(bool bSelected);

  CHorizontalLayoutUI* GetTreeNodeHoriznotal() const { return m_pHoriz; }
  CCheckBoxUI* GetFolderButton() const { return m_pFolderButton; }
  CLabelUI* GetDottedLine() const { return m_pDottedLine; }
  CCheckBoxUI* GetCheckBox() const { return m_pCheckBox; }
  COptionUI* GetItemButton() const { return m_pItemButton; }

  // Called by the folder button when the operator toggles it.
  void OnFolderChanged();

  bool Select(bool bSelect = true, bool bTriggerEvent = true) override;
  void DoEvent(TEventUI& event) override;
  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;

 private:
  friend class CTreeViewUI;
  void UpdateIndent();

  CTreeNodeUI* m_pParentTreeNode = nullptr;
  CTreeViewUI* m_pTreeView = nullptr;
  std::vector<CTreeNodeUI*> m_aTreeNodes;
  CHorizontalLayoutUI* m_pHoriz;
  CCheckBoxUI* m_pFolderButton;
  CLabelUI* m_pDottedLine;
  CCheckBoxUI* m_pCheckBox;
  COptionUI* m_pItemButton;
  DWORD m_dwItemTextColor = 0;
  DWORD m_dwItemHotTextColor = 0;
  DWORD m_dwSelItemTextColor = 0;
  DWORD m_dwSelItemHotTextColor = 0;
};

}  // namespace DuiLib
