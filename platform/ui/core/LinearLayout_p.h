// The row/column rule shared by the vertical and horizontal layouts: fixed sizes first, the
// rest of the main axis shared evenly by the stretchable children (size 0), the last one
// taking the rounding remainder; min/max sizes clamp; padding around each child and
// childpadding between them; float children placed by their "pos".
#pragma once

#include "platform/ui/core/ControlUI.h"

#include <vector>

namespace DuiLib {

struct TLinearLayoutResult {
  int mainNeeded = 0;   // content length along the main axis
  int crossNeeded = 0;  // widest child across it
};

// Lays items out inside client, shifted back by the scroll offset.
TLinearLayoutResult LayoutLinear(const std::vector<CControlUI*>& items, const RECT& client,
                                 SIZE scroll, int childPadding, bool vertical,
                                 const RECT& parentRect);

}  // namespace DuiLib
