#include "platform/ui/controls/TreeNodeUI.h"

#include "platform/ui/controls/TreeViewUI.h"
#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/AttributeTable_p.h"
#include "platform/ui/core/PaintManagerUI.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cstring>

namespace DuiLib {
namespace {

constexpr int kIndentPerLevel = 16;

// The expand/collapse button: tells its node when the operator toggles it, and draws a
// small triangle when the skin gives it no images.
class CTreeFolderButtonUI : public CCheckBoxUI {
 public:
  explicit CTreeFolderButtonUI(CTreeNodeUI* node) : m_pNode(node) {}

  bool Activate() override {
    if (!CCheckBoxUI::Activate()) return false;
    m_pNode->OnFolderChanged();
    return true;
  }

  void PaintStatusImage(QPainter* painter) override {
    if (!m_sNormalImage.IsEmpty() || !m_sSelectedImage.IsEmpty()) {
      CCheckBoxUI::PaintStatusImage(painter);
      return;
    }
    if (!m_pNode->IsHasChild()) return;
    const qreal cx = (m_rcItem.left + m_rcItem.right) / 2.0;
    const qreal cy = (m_rcItem.top + m_rcItem.bottom) / 2.0;
    QPainterPath triangle;
    if (IsSelected()) {  // collapsed: pointing right
      triangle.moveTo(cx - 2, cy - 4);
      triangle.lineTo(cx + 3, cy);
      triangle.lineTo(cx - 2, cy + 4);
    } else {  // expanded: pointing down
      triangle.moveTo(cx - 4, cy - 2);
      triangle.lineTo(cx + 4, cy - 2);
      triangle.lineTo(cx, cy + 3);
    }
    triangle.closeSubpath();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(triangle, QColor(0x66, 0x66, 0x66));
    painter->restore();
  }

 private:
  CTreeNodeUI* m_pNode;
};

CTreeNodeUI* treeNodeOf(CControlUI* control) {
  return control ? static_cast<CTreeNodeUI*>(control->GetInterface(DUI_CTR_TREENODE)) : nullptr;
}

}  // namespace

CTreeNodeUI::CTreeNodeUI(CTreeNodeUI* pParentNode)
    : m_pHoriz(new CHorizontalLayoutUI),
      m_pFolderButton(new CTreeFolderButtonUI(this)),
      m_pDottedLine(new CLabelUI),
      m_pCheckBox(new CCheckBoxUI),
      m_pItemButton(new COptionUI) {
  SetFixedHeight(22);
  m_pFolderButton->SetFixedWidth(16);
  m_pDottedLine->SetFixedWidth(2);
  m_pDottedLine->SetVisible(false);
  m_pDottedLine->SetMouseEnabled(false);
  m_pCheckBox->SetFixedWidth(16);
  m_pCheckBox->SetVisible(false);
  m_pItemButton->SetMouseEnabled(false);
  m_pItemButton->SetTextStyle(DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS);
  m_pItemButton->SetTextPadding(RECT{2, 0, 2, 0});
  m_pHoriz->Add(m_pDottedLine);
  m_pHoriz->Add(m_pFolderButton);
  m_pHoriz->Add(m_pCheckBox);
  m_pHoriz->Add(m_pItemButton);
  CListContainerElementUI::AddAt(m_pHoriz, 0);
  if (pParentNode) SetParentNode(pParentNode);
}

CTreeNodeUI::~CTreeNodeUI() {
  // Children outside any container are ours to delete; the others belong to the tree.
  for (CTreeNodeUI* child : m_aTreeNodes) {
    child->m_pParentTreeNode = nullptr;
    if (!child->GetParent()) delete child;
  }
  if (m_pParentTreeNode) {
    auto& siblings = m_pParentTreeNode->m_aTreeNodes;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

LPCTSTR CTreeNodeUI::GetClass() const {
  return "TreeNodeUI";
}

LPVOID CTreeNodeUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_TREENODE) == 0) return this;
  return CListContainerElementUI::GetInterface(pstrName);
}

bool CTreeNodeUI::Add(CControlUI* pControl) {
  if (CTreeNodeUI* node = treeNodeOf(pControl)) return AddChildNode(node);
  return CListContainerElementUI::Add(pControl);
}

bool CTreeNodeUI::AddAt(CControlUI* pControl, int iIndex) {
  if (CTreeNodeUI* node = treeNodeOf(pControl)) return AddChildNodeAt(node, iIndex);
  return CListContainerElementUI::AddAt(pControl, iIndex);
}

bool CTreeNodeUI::Remove(CControlUI* pControl, bool bDoNotDestroy) {
  if (CTreeNodeUI* node = treeNodeOf(pControl)) return RemoveAt(node);
  return CListContainerElementUI::Remove(pControl, bDoNotDestroy);
}

void CTreeNodeUI::SetItemText(LPCTSTR pstrValue) {
  m_pItemButton->SetText(pstrValue);
}
CDuiString CTreeNodeUI::GetItemText() const {
  return m_pItemButton->GetText();
}

void CTreeNodeUI::SetItemTextColor(DWORD dwColor) {
  m_dwItemTextColor = dwColor;
  m_pItemButton->SetTextColor(dwColor);
}

void CTreeNodeUI::SetItemHotTextColor(DWORD dwColor) {
  m_dwItemHotTextColor = dwColor;
  m_pItemButton->SetHotTextColor(dwColor);
}

void CTreeNodeUI::SetSelItemTextColor(DWORD dwColor) {
  m_dwSelItemTextColor = dwColor;
  m_pItemButton->SetSelectedTextColor(dwColor);
}

void CTreeNodeUI::SetSelItemHotTextColor(DWORD dwColor) {
  m_dwSelItemHotTextColor = dwColor;
}

int CTreeNodeUI::GetDescendantCount() const {
  int count = 0;
  for (const CTreeNodeUI* child : m_aTreeNodes) count += 1 + child->GetDescendantCount();
  return count;
}

CTreeNodeUI* CTreeNodeUI::GetLastNode() {
  if (m_aTreeNodes.empty()) return this;
  return m_aTreeNodes.back()->GetLastNode();
}

bool CTreeNodeUI::AddChildNode(CTreeNodeUI* pTreeNode) {
  return AddChildNodeAt(pTreeNode, GetCountChild());
}

bool CTreeNodeUI::AddChildNodeAt(CTreeNodeUI* pTreeNode, int iNodeIndex) {
  if (!pTreeNode || pTreeNode == this || pTreeNode->m_pParentTreeNode) return false;
  iNodeIndex = std::clamp(iNodeIndex, 0, GetCountChild());
  // List position: after this node and the subtrees of the children before the new one.
  int listIndex = -1;
  if (m_pTreeView) {
    listIndex = GetTreeIndex() + 1;
    for (int i = 0; i < iNodeIndex; ++i)
      listIndex += 1 + m_aTreeNodes[static_cast<size_t>(i)]->GetDescendantCount();
  }
  pTreeNode->SetParentNode(this);
  m_aTreeNodes.insert(m_aTreeNodes.begin() + iNodeIndex, pTreeNode);
  if (m_pTreeView && listIndex >= 0 && !m_pTreeView->AddAt(pTreeNode, listIndex)) {
    m_aTreeNodes.erase(m_aTreeNodes.begin() + iNodeIndex);
    pTreeNode->m_pParentTreeNode = nullptr;
    return false;
  }
  m_pFolderButton->Invalidate();
  return true;
}

bool CTreeNodeUI::RemoveAt(CTreeNodeUI* pTreeNode) {
  if (std::find(m_aTreeNodes.begin(), m_aTreeNodes.end(), pTreeNode) == m_aTreeNodes.end())
    return false;
  if (m_pTreeView && pTreeNode->GetTreeView() == m_pTreeView) return m_pTreeView->Remove(pTreeNode);
  m_aTreeNodes.erase(std::remove(m_aTreeNodes.begin(), m_aTreeNodes.end(), pTreeNode),
                     m_aTreeNodes.end());
  pTreeNode->m_pParentTreeNode = nullptr;
  if (!pTreeNode->GetParent()) delete pTreeNode;
  return true;
}

void CTreeNodeUI::SetParentNode(CTreeNodeUI* pParentTreeNode) {
  m_pParentTreeNode = pParentTreeNode;
  UpdateIndent();
}

void CTreeNodeUI::UpdateIndent() {
  const int level = GetTreeLevel();
  m_pDottedLine->SetVisible(level > 0);
  m_pDottedLine->SetFixedWidth(level > 0 ? level * kIndentPerLevel : 2);
  for (CTreeNodeUI* child : m_aTreeNodes) child->UpdateIndent();
}

CTreeNodeUI* CTreeNodeUI::GetChildNode(int nIndex) const {
  if (nIndex < 0 || nIndex >= GetCountChild()) return nullptr;
  return m_aTreeNodes[static_cast<size_t>(nIndex)];
}

int CTreeNodeUI::GetTreeLevel() const {
  int level = 0;
  for (const CTreeNodeUI* node = m_pParentTreeNode; node; node = node->m_pParentTreeNode) ++level;
  return level;
}

int CTreeNodeUI::GetTreeIndex() const {
  return m_pTreeView ? m_pTreeView->GetItemIndex(const_cast<CTreeNodeUI*>(this)) : -1;
}

int CTreeNodeUI::GetNodeIndex() const {
  if (m_pParentTreeNode) {
    const auto& siblings = m_pParentTreeNode->m_aTreeNodes;
    const auto it = std::find(siblings.begin(), siblings.end(), this);
    return it == siblings.end() ? -1 : static_cast<int>(it - siblings.begin());
  }
  if (!m_pTreeView) return -1;
  int index = 0;
  for (int i = 0; i < m_pTreeView->GetCount(); ++i) {
    CTreeNodeUI* node = treeNodeOf(m_pTreeView->GetItemAt(i));
    if (!node || node->m_pParentTreeNode) continue;
    if (node == this) return index;
    ++index;
  }
  return -1;
}

void CTreeNodeUI::SetTreeView(CTreeViewUI* pTreeView) {
  m_pTreeView = pTreeView;
  for (CTreeNodeUI* child : m_aTreeNodes) child->SetTreeView(pTreeView);
}

bool CTreeNodeUI::IsExpanded() const {
  return !m_pFolderButton->IsSelected();
}

bool CTreeNodeUI::Expand(bool bExpand) {
  m_pFolderButton->Selected(!bExpand, false);
  if (m_pTreeView) m_pTreeView->SetItemExpand(bExpand, this);
  return true;
}

void CTreeNodeUI::OnFolderChanged() {
  if (m_pTreeView) m_pTreeView->SetItemExpand(IsExpanded(), this);
}

void CTreeNodeUI::SetVisibleFolderBtn(bool bVisible) {
  m_pFolderButton->SetVisible(bVisible);
}
bool CTreeNodeUI::GetVisibleFolderBtn() const {
  return m_pFolderButton->IsVisible();
}
void CTreeNodeUI::SetVisibleCheckBtn(bool bVisible) {
  m_pCheckBox->SetVisible(bVisible);
}
bool CTreeNodeUI::GetVisibleCheckBtn() const {
  return m_pCheckBox->IsVisible();
}
bool CTreeNodeUI::IsCheckBoxSelected() const {
  return m_pCheckBox->IsSelected();
}
void CTreeNodeUI::SetCheckBoxSelected(bool bSelected) {
  m_pCheckBox->Selected(bSelected);
}

bool CTreeNodeUI::Select(bool bSelect, bool bTriggerEvent) {
  const bool result = CListContainerElementUI::Select(bSelect, bTriggerEvent);
  m_pItemButton->Selected(m_bSelected, false);
  return result;
}

void CTreeNodeUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_DBLCLICK && IsMouseEnabled()) {
    if (IsEnabled() && m_pManager) {
      m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMDBCLICK);
      Invalidate();
    }
    return;
  }
  CListContainerElementUI::DoEvent(event);
}

void CTreeNodeUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using C = CTreeNodeUI;
  static const TAttributeSetter<C> table[] = {
      {"text",
       [](C& c, const char* v) {
         c.SetItemText(v);
         return true;
       }},
      {"horizattr",
       [](C& c, const char* v) {
         c.m_pHoriz->ApplyAttributeList(v);
         return true;
       }},
      {"dotlineattr",
       [](C& c, const char* v) {
         c.m_pDottedLine->ApplyAttributeList(v);
         return true;
       }},
      {"folderattr",
       [](C& c, const char* v) {
         c.m_pFolderButton->ApplyAttributeList(v);
         return true;
       }},
      {"checkboxattr",
       [](C& c, const char* v) {
         c.m_pCheckBox->ApplyAttributeList(v);
         return true;
       }},
      {"itemattr",
       [](C& c, const char* v) {
         c.m_pItemButton->ApplyAttributeList(v);
         return true;
       }},
      {"itemtextcolor", ColorAttribute<C, &C::SetItemTextColor>},
      {"itemhottextcolor", ColorAttribute<C, &C::SetItemHotTextColor>},
      {"selitemtextcolor", ColorAttribute<C, &C::SetSelItemTextColor>},
      {"selitemhottextcolor", ColorAttribute<C, &C::SetSelItemHotTextColor>},
      {"visiblefolderbtn", BoolAttribute<C, &C::SetVisibleFolderBtn>},
      {"visiblecheckbtn", BoolAttribute<C, &C::SetVisibleCheckBtn>},
  };
  if (ApplyFromTable(*this, table, pstrName, pstrValue)) return;
  CListContainerElementUI::SetAttribute(pstrName, pstrValue);
}

}  // namespace DuiLib
