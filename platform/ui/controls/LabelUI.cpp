#include "platform/ui/controls/LabelUI.h"

#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/AttributeTable_p.h"
#include "platform/ui/core/PaintManagerUI.h"
#include "platform/ui/core/RenderEngine.h"

#include <cstring>

namespace DuiLib {
namespace {

// Replaces the bits of mask in style by value.
UINT withBits(UINT style, UINT mask, UINT value) {
  return (style & ~mask) | value;
}

}  // namespace

CLabelUI::CLabelUI() : m_uTextStyle(DT_VCENTER | DT_SINGLELINE) {}

LPCTSTR CLabelUI::GetClass() const {
  return "LabelUI";
}

LPVOID CLabelUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_LABEL) == 0) return this;
  return CControlUI::GetInterface(pstrName);
}

void CLabelUI::SetTextStyle(UINT uStyle) {
  m_uTextStyle = uStyle;
  Invalidate();
}

void CLabelUI::SetTextColor(DWORD dwTextColor) {
  m_dwTextColor = dwTextColor;
  Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD dwTextColor) {
  m_dwDisabledTextColor = dwTextColor;
  Invalidate();
}

void CLabelUI::SetFont(int index) {
  m_iFont = index;
  Invalidate();
}

void CLabelUI::SetTextPadding(RECT rc) {
  m_rcTextPadding = rc;
  Invalidate();
}

void CLabelUI::SetShowHtml(bool bShowHtml) {
  m_bShowHtml = bShowHtml;
  Invalidate();
}

void CLabelUI::SetAutoCalcWidth(bool bAutoCalcWidth) {
  m_bAutoCalcWidth = bAutoCalcWidth;
  NeedParentUpdate();
}

SIZE CLabelUI::EstimateSize(SIZE szAvailable) {
  if (!m_bAutoCalcWidth || m_cxyFixed.cx != 0) return m_cxyFixed;
  const SIZE text =
      CRenderEngine::MeasureText(m_pManager, m_sText, m_iFont, m_uTextStyle, szAvailable.cx);
  return SIZE{text.cx + m_rcTextPadding.left + m_rcTextPadding.right, m_cxyFixed.cy};
}

RECT CLabelUI::GetTextRect() const {
  return RECT{m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
              m_rcItem.right - m_rcTextPadding.right, m_rcItem.bottom - m_rcTextPadding.bottom};
}

DWORD CLabelUI::CurrentTextColor() const {
  if (!IsEnabled()) {
    if (m_dwDisabledTextColor) return m_dwDisabledTextColor;
    return m_pManager ? m_pManager->GetDefaultDisabledColor() : 0xFFA7A6AA;
  }
  if (m_dwTextColor) return m_dwTextColor;
  return m_pManager ? m_pManager->GetDefaultFontColor() : 0xFF000000;
}

void CLabelUI::PaintText(QPainter* painter) {
  if (m_sText.IsEmpty()) return;
  CRenderEngine::DrawText(painter, m_pManager, GetTextRect(), m_sText, CurrentTextColor(), m_iFont,
                          m_uTextStyle);
}

void CLabelUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using C = CLabelUI;
  static const TAttributeSetter<C> table[] = {
      {"align",
       [](C& c, const char* v) {
         constexpr UINT mask = DT_LEFT | DT_CENTER | DT_RIGHT;
         if (std::strstr(v, "left"))
           c.SetTextStyle(withBits(c.m_uTextStyle, mask, DT_LEFT));
         else if (std::strstr(v, "center"))
           c.SetTextStyle(withBits(c.m_uTextStyle, mask, DT_CENTER));
         else if (std::strstr(v, "right"))
           c.SetTextStyle(withBits(c.m_uTextStyle, mask, DT_RIGHT));
         else
           return false;
         return true;
       }},
      {"valign",
       [](C& c, const char* v) {
         constexpr UINT mask = DT_TOP | DT_VCENTER | DT_BOTTOM;
         if (std::strstr(v, "top"))
           c.SetTextStyle(withBits(c.m_uTextStyle, mask, DT_TOP));
         else if (std::strstr(v, "vcenter") || std::strstr(v, "center"))
           c.SetTextStyle(withBits(c.m_uTextStyle, mask, DT_VCENTER));
         else if (std::strstr(v, "bottom"))
           c.SetTextStyle(withBits(c.m_uTextStyle, mask, DT_BOTTOM));
         else
           return false;
         return true;
       }},
      {"textstyle", NonNegativeIntAttribute<C, &C::SetTextStyle>},
      {"endellipsis",
       [](C& c, const char* v) {
         bool b;
         if (!ParseAttrBool(v, b)) return false;
         c.SetTextStyle(b ? (c.m_uTextStyle | DT_END_ELLIPSIS)
                          : (c.m_uTextStyle & ~DT_END_ELLIPSIS));
         return true;
       }},
      {"wordbreak",
       [](C& c, const char* v) {
         bool b;
         if (!ParseAttrBool(v, b)) return false;
         c.SetTextStyle(b ? ((c.m_uTextStyle | DT_WORDBREAK) & ~DT_SINGLELINE)
                          : (c.m_uTextStyle & ~DT_WORDBREAK) | DT_SINGLELINE);
         return true;
       }},
      {"font", IntAttribute<C, &C::SetFont>},
      {"textcolor", ColorAttribute<C, &C::SetTextColor>},
      {"disabledtextcolor", ColorAttribute<C, &C::SetDisabledTextColor>},
      {"textpadding",
       [](C& c, const char* v) {
         RECT rc;
         if (!ParseAttrRect(v, rc)) return false;
         c.SetTextPadding(rc);
         return true;
       }},
      {"showhtml", BoolAttribute<C, &C::SetShowHtml>},
      {"autocalcwidth", BoolAttribute<C, &C::SetAutoCalcWidth>},
  };
  if (ApplyFromTable(*this, table, pstrName, pstrValue)) return;
  CControlUI::SetAttribute(pstrName, pstrValue);
}

}  // namespace DuiLib
