#include "platform/ui/core/ControlUI.h"

#include "platform/log/Log.h"
#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/AttributeTable_p.h"
#include "platform/ui/core/PaintManagerUI.h"
#include "platform/ui/core/RenderEngine.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace DuiLib {

void LogBadAttributeValue(const CControlUI& control, const char* name, const char* value) {
  TC_LOG(TC_LOG_WARN, "skin: control \"" << control.GetName().str() << "\" ("
                                         << const_cast<CControlUI&>(control).GetClass()
                                         << "): bad value \"" << (value ? value : "")
                                         << "\" for attribute \"" << (name ? name : "")
                                         << "\", ignored");
}

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
  if (m_pManager) m_pManager->ReapObjects(this);
}

CDuiString CControlUI::GetName() const {
  return m_sName;
}

void CControlUI::SetName(LPCTSTR pstrName) {
  const CDuiString oldName = m_sName;
  m_sName = pstrName;
  if (m_pManager && oldName != m_sName) m_pManager->RenameControl(this, oldName);
}

LPCTSTR CControlUI::GetClass() const {
  return "ControlUI";
}

LPVOID CControlUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_CONTROL) == 0) return this;
  return nullptr;
}

UINT CControlUI::GetControlFlags() const {
  return 0;
}

bool CControlUI::Activate() {
  return IsVisible() && IsEnabled();
}

CPaintManagerUI* CControlUI::GetManager() const {
  return m_pManager;
}

void CControlUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
  if (m_pManager && m_pManager != pManager) m_pManager->ReapObjects(this);
  const bool joined = pManager && pManager != m_pManager;
  m_pManager = pManager;
  m_pParent = pParent;
  if (joined) m_pManager->InitControls(this, pParent);
  if (bInit && m_pParent) Init();
}

CControlUI* CControlUI::GetParent() const {
  return m_pParent;
}

CDuiString CControlUI::GetText() const {
  return m_sText;
}

void CControlUI::SetText(LPCTSTR pstrText) {
  if (m_sText == pstrText) return;
  m_sText = pstrText;
  Invalidate();
}

void CControlUI::SetBkColor(DWORD dwBackColor) {
  if (m_dwBackColor == dwBackColor) return;
  m_dwBackColor = dwBackColor;
  Invalidate();
}

void CControlUI::SetBkImage(LPCTSTR pStrImage) {
  if (m_sBkImage == pStrImage) return;
  m_sBkImage = pStrImage;
  Invalidate();
}

void CControlUI::SetBorderColor(DWORD dwBorderColor) {
  m_dwBorderColor = dwBorderColor;
  Invalidate();
}

void CControlUI::SetFocusBorderColor(DWORD dwBorderColor) {
  m_dwFocusBorderColor = dwBorderColor;
  Invalidate();
}

void CControlUI::SetBorderSize(int nSize) {
  m_nBorderSize = std::max(0, nSize);
  Invalidate();
}

void CControlUI::SetBorderRound(SIZE cxyRound) {
  m_cxyBorderRound = cxyRound;
  Invalidate();
}

const RECT& CControlUI::GetPos() const {
  return m_rcItem;
}

void CControlUI::SetPos(RECT rc, bool bNeedInvalidate) {
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  if (bNeedInvalidate) Invalidate();
  m_rcItem = rc;
  m_bUpdateNeeded = false;
  if (m_bFloat && m_pParent) {
    const RECT& parent = m_pParent->GetPos();
    m_cXY = SIZE{rc.left - parent.left, rc.top - parent.top};
    m_cxyFixed = SIZE{rc.right - rc.left, rc.bottom - rc.top};
  }
  if (bNeedInvalidate) Invalidate();
}

void CControlUI::SetFloatPos() {
  if (!m_pParent) return;
  const RECT& parent = m_pParent->GetPos();
  RECT rc{parent.left + m_cXY.cx, parent.top + m_cXY.cy, 0, 0};
  rc.right = rc.left + m_cxyFixed.cx;
  rc.bottom = rc.top + m_cxyFixed.cy;
  SetPos(rc);
}

int CControlUI::GetWidth() const {
  return m_rcItem.right - m_rcItem.left;
}
int CControlUI::GetHeight() const {
  return m_rcItem.bottom - m_rcItem.top;
}
int CControlUI::GetX() const {
  return m_rcItem.left;
}
int CControlUI::GetY() const {
  return m_rcItem.top;
}
RECT CControlUI::GetPadding() const {
  return m_rcPadding;
}

void CControlUI::SetPadding(RECT rcPadding) {
  m_rcPadding = rcPadding;
  NeedParentUpdate();
}

SIZE CControlUI::GetFixedXY() const {
  return m_cXY;
}

void CControlUI::SetFixedXY(SIZE szXY) {
  m_cXY = szXY;
  if (m_bFloat) NeedParentUpdate();
}

int CControlUI::GetFixedWidth() const {
  return m_cxyFixed.cx;
}

void CControlUI::SetFixedWidth(int cx) {
  if (cx < 0) return;
  m_cxyFixed.cx = cx;
  NeedParentUpdate();
}

int CControlUI::GetFixedHeight() const {
  return m_cxyFixed.cy;
}

void CControlUI::SetFixedHeight(int cy) {
  if (cy < 0) return;
  m_cxyFixed.cy = cy;
  NeedParentUpdate();
}

int CControlUI::GetMinWidth() const {
  return m_cxyMin.cx;
}
void CControlUI::SetMinWidth(int cx) {
  if (cx < 0) return;
  m_cxyMin.cx = cx;
  NeedParentUpdate();
}
int CControlUI::GetMaxWidth() const {
  return m_cxyMax.cx;
}
void CControlUI::SetMaxWidth(int cx) {
  if (cx < 0) return;
  m_cxyMax.cx = cx;
  NeedParentUpdate();
}
int CControlUI::GetMinHeight() const {
  return m_cxyMin.cy;
}
void CControlUI::SetMinHeight(int cy) {
  if (cy < 0) return;
  m_cxyMin.cy = cy;
  NeedParentUpdate();
}
int CControlUI::GetMaxHeight() const {
  return m_cxyMax.cy;
}
void CControlUI::SetMaxHeight(int cy) {
  if (cy < 0) return;
  m_cxyMax.cy = cy;
  NeedParentUpdate();
}

CDuiString CControlUI::GetToolTip() const {
  return m_sToolTip;
}
void CControlUI::SetToolTip(LPCTSTR pstrText) {
  m_sToolTip = pstrText;
}
char CControlUI::GetShortcut() const {
  return m_chShortcut;
}
void CControlUI::SetShortcut(char ch) {
  m_chShortcut = ch;
}
bool CControlUI::IsContextMenuUsed() const {
  return m_bContextMenuUsed;
}
void CControlUI::SetContextMenuUsed(bool bMenuUsed) {
  m_bContextMenuUsed = bMenuUsed;
}
const CDuiString& CControlUI::GetUserData() {
  return m_sUserData;
}
void CControlUI::SetUserData(LPCTSTR pstrText) {
  m_sUserData = pstrText;
}
UINT_PTR CControlUI::GetTag() const {
  return m_pTag;
}
void CControlUI::SetTag(UINT_PTR pTag) {
  m_pTag = pTag;
}

bool CControlUI::IsVisible() const {
  return m_bVisible && m_bInternVisible;
}

void CControlUI::SetVisible(bool bVisible) {
  if (m_bVisible == bVisible) return;
  const bool wasVisible = IsVisible();
  m_bVisible = bVisible;
  if (m_bFocused && !IsVisible() && m_pManager) m_pManager->SetFocus(nullptr);
  if (IsVisible() != wasVisible) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool bVisible) {
  m_bInternVisible = bVisible;
  if (!bVisible && m_bFocused && m_pManager) m_pManager->SetFocus(nullptr);
}

bool CControlUI::IsEnabled() const {
  return m_bEnabled;
}

void CControlUI::SetEnabled(bool bEnable) {
  if (m_bEnabled == bEnable) return;
  m_bEnabled = bEnable;
  Invalidate();
}

bool CControlUI::IsMouseEnabled() const {
  return m_bMouseEnabled;
}
void CControlUI::SetMouseEnabled(bool bEnable) {
  m_bMouseEnabled = bEnable;
}
bool CControlUI::IsKeyboardEnabled() const {
  return m_bKeyboardEnabled;
}
void CControlUI::SetKeyboardEnabled(bool bEnable) {
  m_bKeyboardEnabled = bEnable;
}
bool CControlUI::IsFocused() const {
  return m_bFocused;
}

void CControlUI::SetFocus() {
  if (m_pManager) m_pManager->SetFocus(this);
}

bool CControlUI::IsFloat() const {
  return m_bFloat;
}

void CControlUI::SetFloat(bool bFloat) {
  if (m_bFloat == bFloat) return;
  m_bFloat = bFloat;
  NeedParentUpdate();
}

CControlUI* CControlUI::FindControl(FINDCONTROLPROC Proc, LPVOID pData, UINT uFlags) {
  if ((uFlags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
  if ((uFlags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
  if ((uFlags & UIFIND_HITTEST)) {
    const POINT* pt = static_cast<const POINT*>(pData);
    if (!IsMouseEnabled() || pt->x < m_rcItem.left || pt->x >= m_rcItem.right ||
        pt->y < m_rcItem.top || pt->y >= m_rcItem.bottom)
      return nullptr;
  }
  return Proc(this, pData);
}

void CControlUI::Invalidate() {
  if (!IsVisible() || !m_pManager) return;
  RECT rc = m_rcItem;
  for (CControlUI* parent = m_pParent; parent; parent = parent->GetParent()) {
    const RECT& p = parent->GetPos();
    rc = RECT{std::max(rc.left, p.left), std::max(rc.top, p.top), std::min(rc.right, p.right),
              std::min(rc.bottom, p.bottom)};
    if (rc.left >= rc.right || rc.top >= rc.bottom) return;
  }
  m_pManager->Invalidate(rc);
}

bool CControlUI::IsUpdateNeeded() const {
  return m_bUpdateNeeded;
}

void CControlUI::NeedUpdate() {
  if (!IsVisible()) return;
  m_bUpdateNeeded = true;
  Invalidate();
  if (m_pManager) m_pManager->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
  if (m_pParent) {
    m_pParent->NeedUpdate();
    m_pParent->Invalidate();
  } else {
    NeedUpdate();
  }
  if (m_pManager) m_pManager->NeedUpdate();
}

void CControlUI::Init() {
  DoInit();
}
void CControlUI::DoInit() {}

void CControlUI::Event(TEventUI& event) {
  DoEvent(event);
}

bool CControlUI::HasLinkAt(POINT) {
  return false;
}

void CControlUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEVENT_SETFOCUS:
      m_bFocused = true;
      Invalidate();
      return;
    case UIEVENT_KILLFOCUS:
      m_bFocused = false;
      Invalidate();
      return;
    case UIEVENT_TIMER:
      if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_TIMER, event.wParam, event.lParam);
      return;
    case UIEVENT_CONTEXTMENU:
      if (IsContextMenuUsed() && m_pManager) {
        m_pManager->SendNotify(this, DUI_MSGTYPE_MENU, event.wParam, event.lParam);
        return;
      }
      break;
    default:
      break;
  }
  if (m_pParent) m_pParent->DoEvent(event);
}

bool CControlUI::ApplyCommonAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using C = CControlUI;
  static const TAttributeSetter<C> table[] = {
      {"pos",
       [](C& c, const char* v) {
         RECT rc;
         if (!ParseAttrRect(v, rc)) return false;
         c.m_cXY = SIZE{rc.left, rc.top};
         c.m_cxyFixed =
             SIZE{std::max(0, int(rc.right - rc.left)), std::max(0, int(rc.bottom - rc.top))};
         c.NeedParentUpdate();
         return true;
       }},
      {"padding",
       [](C& c, const char* v) {
         RECT rc;
         if (!ParseAttrRect(v, rc)) return false;
         c.SetPadding(rc);
         return true;
       }},
      {"bkcolor", ColorAttribute<C, &C::SetBkColor>},
      {"bordercolor", ColorAttribute<C, &C::SetBorderColor>},
      {"focusbordercolor", ColorAttribute<C, &C::SetFocusBorderColor>},
      {"bordersize", IntAttribute<C, &C::SetBorderSize>},
      {"borderround",
       [](C& c, const char* v) {
         SIZE sz;
         if (!ParseAttrSize(v, sz)) return false;
         c.SetBorderRound(sz);
         return true;
       }},
      {"bkimage",
       [](C& c, const char* v) {
         c.SetBkImage(v);
         return true;
       }},
      {"width", NonNegativeIntAttribute<C, &C::SetFixedWidth>},
      {"height", NonNegativeIntAttribute<C, &C::SetFixedHeight>},
      {"minwidth", NonNegativeIntAttribute<C, &C::SetMinWidth>},
      {"minheight", NonNegativeIntAttribute<C, &C::SetMinHeight>},
      {"maxwidth", NonNegativeIntAttribute<C, &C::SetMaxWidth>},
      {"maxheight", NonNegativeIntAttribute<C, &C::SetMaxHeight>},
      {"name",
       [](C& c, const char* v) {
         c.SetName(v);
         return true;
       }},
      {"text",
       [](C& c, const char* v) {
         c.SetText(v);
         return true;
       }},
      {"tooltip",
       [](C& c, const char* v) {
         c.SetToolTip(v);
         return true;
       }},
      {"userdata",
       [](C& c, const char* v) {
         c.SetUserData(v);
         return true;
       }},
      {"enabled", BoolAttribute<C, &C::SetEnabled>},
      {"mouse", BoolAttribute<C, &C::SetMouseEnabled>},
      {"keyboard", BoolAttribute<C, &C::SetKeyboardEnabled>},
      {"visible", BoolAttribute<C, &C::SetVisible>},
      {"float", BoolAttribute<C, &C::SetFloat>},
      {"shortcut",
       [](C& c, const char* v) {
         c.SetShortcut(v[0]);
         return true;
       }},
      {"menu", BoolAttribute<C, &C::SetContextMenuUsed>},
  };
  return ApplyFromTable(*this, table, pstrName, pstrValue);
}

void CControlUI::LogBadAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) const {
  LogBadAttributeValue(*this, pstrName, pstrValue);
}

void CControlUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  if (!pstrName || !pstrValue) return;
  if (ApplyCommonAttribute(pstrName, pstrValue)) return;
  TC_LOG(TC_LOG_DEBUG, "skin: control \"" << m_sName.str() << "\" (" << GetClass()
                                          << "): unknown attribute \"" << pstrName << "\"");
}

void CControlUI::ApplyAttributeList(LPCTSTR pstrList) {
  std::vector<std::pair<std::string, std::string>> pairs;
  if (!ParseAttributeList(pstrList, pairs))
    TC_LOG(TC_LOG_WARN, "skin: control \"" << m_sName.str() << "\": malformed attribute list \""
                                           << (pstrList ? pstrList : "") << "\"");
  for (const auto& [name, value] : pairs) SetAttribute(name.c_str(), value.c_str());
}

SIZE CControlUI::EstimateSize(SIZE) {
  return m_cxyFixed;
}

void CControlUI::DoPaint(QPainter* painter, const RECT& rcPaint) {
  const RECT& r = m_rcItem;
  if (std::max(r.left, rcPaint.left) >= std::min(r.right, rcPaint.right) ||
      std::max(r.top, rcPaint.top) >= std::min(r.bottom, rcPaint.bottom))
    return;
  painter->save();
  if (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0) {
    QPainterPath path;
    path.addRoundedRect(QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top),
                        m_cxyBorderRound.cx / 2.0, m_cxyBorderRound.cy / 2.0);
    painter->setClipPath(path, Qt::IntersectClip);
  }
  PaintBkColor(painter);
  PaintBkImage(painter);
  PaintStatusImage(painter);
  PaintText(painter);
  PaintBorder(painter);
  painter->restore();
}

void CControlUI::PaintBkColor(QPainter* painter) {
  if (m_dwBackColor != 0) CRenderEngine::DrawColor(painter, m_rcItem, m_dwBackColor);
}

void CControlUI::PaintBkImage(QPainter* painter) {
  if (!m_sBkImage.IsEmpty()) DrawImage(painter, m_sBkImage);
}

void CControlUI::PaintStatusImage(QPainter*) {}
void CControlUI::PaintText(QPainter*) {}

void CControlUI::PaintBorder(QPainter* painter) {
  if (m_nBorderSize <= 0) return;
  const DWORD color =
      (IsFocused() && m_dwFocusBorderColor != 0) ? m_dwFocusBorderColor : m_dwBorderColor;
  if (color == 0) return;
  if (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0)
    CRenderEngine::DrawRoundRect(painter, m_rcItem, m_nBorderSize, m_cxyBorderRound.cx,
                                 m_cxyBorderRound.cy, color);
  else
    CRenderEngine::DrawRect(painter, m_rcItem, m_nBorderSize, color);
}

void CControlUI::DoPostPaint(QPainter*, const RECT&) {}

bool CControlUI::DrawImage(QPainter* painter, LPCTSTR pStrImage, LPCTSTR pStrModify) {
  if (!pStrImage || !*pStrImage) return false;
  const RECT paint = painter ? m_rcItem : RECT{};
  return CRenderEngine::DrawImageString(painter, m_pManager, m_rcItem, paint, pStrImage,
                                        pStrModify);
}

}  // namespace DuiLib
