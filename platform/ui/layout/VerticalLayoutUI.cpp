#include "platform/ui/layout/VerticalLayoutUI.h"

#include <cstring>

namespace DuiLib {

LPCTSTR CVerticalLayoutUI::GetClass() const {
  return "VerticalLayoutUI";
}

LPVOID CVerticalLayoutUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_VERTICALLAYOUT) == 0) return this;
  return CContainerUI::GetInterface(pstrName);
}

void CVerticalLayoutUI::SetPos(RECT rc, bool bNeedInvalidate) {
  SetPosLinear(rc, bNeedInvalidate, true);
}

}  // namespace DuiLib
