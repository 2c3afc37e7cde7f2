// The tree view: a list whose items are CTreeNodeUI in tree order. Adding a node also adds
// its descendants after it; removing a node removes them too. Expanding and collapsing
// shows and hides descendants. Selection and notifications are the list's; a double click
// on a node raises "itemdbclick". "bkimage" on the tree draws behind the nodes.
#pragma once

#include "platform/ui/controls/ListUI.h"
#include "platform/ui/controls/TreeNodeUI.h"

namespace DuiLib {

class CTreeViewUI : public CListUI {
 public:
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;

  // A node goes to the end of the top level (with its descendants); other controls as
  // in a list.
  bool Add(CControlUI* pControl) override;
  // Inserts a node at list position iIndex (with its descendants after it).
  bool AddAt(CControlUI* pControl, int iIndex) override;
  // Inserts a top-level node just before pIndexNode (e.g. a hidden last node).
  bool AddAt(CTreeNodeUI* pControl, CTreeNodeUI* pIndexNode);
  // Removes a node with its descendants (and from its parent node).
  bool Remove(CControlUI* pControl, bool bDoNotDestroy = false) override;
  bool RemoveAt(int iIndex, bool bDoNotDestroy = false) override;
  void RemoveAll() override;

  // Shows (expand) or hides the descendants of a node; null: every node.
  void SetItemExpand(bool bExpanded, CTreeNodeUI* pTreeNode = nullptr);
  void SetVisibleFolderBtn(bool bVisible);
  bool GetVisibleFolderBtn() const { return m_bVisibleFolderBtn; }
  void SetVisibleCheckBtn(bool bVisible);
  bool GetVisibleCheckBtn() const { return m_bVisibleCheckBtn; }
  void SetItemMinWidth(UINT uItemMinWidth) { m_uItemMinWidth = uItemMinWidth; }
  UINT GetItemMinWidth() const { return m_uItemMinWidth; }

  void SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) override;

 private:
  // Adds the node's descendants after it, in tree order.
  void InsertDescendants(CTreeNodeUI* pNode);

  bool m_bVisibleFolderBtn = true;
  bool m_bVisibleCheckBtn = false;
  UINT m_uItemMinWidth = 0;
};

}  // namespace DuiLib
