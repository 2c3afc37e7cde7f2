#include "platform/ui/controls/ProgressUI.h"

#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/AttributeTable_p.h"
#include "platform/ui/core/RenderEngine.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace DuiLib {

CProgressUI::CProgressUI() {
  m_uTextStyle = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
}

LPCTSTR CProgressUI::GetClass() const {
  return "ProgressUI";
}

LPVOID CProgressUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_PROGRESS) == 0) return this;
  return CLabelUI::GetInterface(pstrName);
}

void CProgressUI::SetHorizontal(bool bHorizontal) {
  m_bHorizontal = bHorizontal;
  Invalidate();
}

void CProgressUI::SetMinValue(int nMin) {
  m_nMin = nMin;
  m_nMax = std::max(m_nMax, m_nMin);
  SetValue(m_nValue);
}

void CProgressUI::SetMaxValue(int nMax) {
  m_nMax = nMax;
  m_nMin = std::min(m_nMin, m_nMax);
  SetValue(m_nValue);
}

void CProgressUI::SetValue(int nValue) {
  m_nValue = std::clamp(nValue, m_nMin, m_nMax);
  Invalidate();
}

void CProgressUI::SetForeImage(LPCTSTR pStrImage) {
  m_sForeImage = pStrImage;
  Invalidate();
}

void CProgressUI::SetForeColor(DWORD dwColor) {
  m_dwForeColor = dwColor;
  Invalidate();
}

void CProgressUI::PaintStatusImage(QPainter* painter) {
  if (m_nMax <= m_nMin) return;
  const double fraction = double(m_nValue - m_nMin) / double(m_nMax - m_nMin);
  RECT filled{0, 0, GetWidth(), GetHeight()};
  if (m_bHorizontal)
    filled.right = static_cast<LONG>(GetWidth() * fraction);
  else
    filled.top = static_cast<LONG>(GetHeight() * (1.0 - fraction));
  if (filled.right <= filled.left || filled.bottom <= filled.top) return;
  if (!m_sForeImage.IsEmpty()) {
    // The picture is cut to the filled part: "dest" and "source" in control pixels.
    const std::string modify = "dest='" + std::to_string(filled.left) + "," +
                               std::to_string(filled.top) + "," + std::to_string(filled.right) +
                               "," + std::to_string(filled.bottom) + "'";
    DrawImage(painter, m_sForeImage, modify.c_str());
    return;
  }
  const RECT rc{m_rcItem.left + filled.left, m_rcItem.top + filled.top,
                m_rcItem.left + filled.right, m_rcItem.top + filled.bottom};
  CRenderEngine::DrawColor(painter, rc, m_dwForeColor);
}

void CProgressUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using C = CProgressUI;
  static const TAttributeSetter<C> table[] = {
      {"foreimage",
       [](C& c, const char* v) {
         c.SetForeImage(v);
         return true;
       }},
      {"forecolor", ColorAttribute<C, &C::SetForeColor>},
      {"hor", BoolAttribute<C, &C::SetHorizontal>},
      {"min", IntAttribute<C, &C::SetMinValue>},
      {"max", IntAttribute<C, &C::SetMaxValue>},
      {"value", IntAttribute<C, &C::SetValue>},
  };
  if (ApplyFromTable(*this, table, pstrName, pstrValue)) return;
  CLabelUI::SetAttribute(pstrName, pstrValue);
}

}  // namespace DuiLib
