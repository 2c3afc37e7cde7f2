// A container placing its children in a row (see LinearLayout_p.h for the rule).
#pragma once

#include "platform/ui/core/ContainerUI.h"

namespace DuiLib {

class CHorizontalLayoutUI : public CContainerUI {
 public:
  LPCTSTR GetClass() const override;
  LPVOID GetInterface(LPCTSTR pstrName) override;
  void SetPos(RECT rc, bool bNeedInvalidate = true) override;
};

}  // namespace DuiLib
