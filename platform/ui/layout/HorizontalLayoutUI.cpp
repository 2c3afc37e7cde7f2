#include "platform/ui/layout/HorizontalLayoutUI.h"

#include <cstring>

namespace DuiLib {

LPCTSTR CHorizontalLayoutUI::GetClass() const {
  return "HorizontalLayoutUI";
}

LPVOID CHorizontalLayoutUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_HORIZONTALLAYOUT) == 0) return this;
  return CContainerUI::GetInterface(pstrName);
}

void CHorizontalLayoutUI::SetPos(RECT rc, bool bNeedInvalidate) {
  SetPosLinear(rc, bNeedInvalidate, false);
}

}  // namespace DuiLib
