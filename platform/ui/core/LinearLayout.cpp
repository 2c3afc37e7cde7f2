#include "platform/ui/core/LinearLayout_p.h"

#include <algorithm>

namespace DuiLib {
namespace {

// Axis-neutral view of a child: "main" runs along the layout, "cross" across it.
struct TAxisChild {
  CControlUI* control;
  int estimate;  // 0 = stretch
  int padBefore, padAfter, padCrossBefore, padCrossAfter;
  int minMain, maxMain;
};

int clampSize(int value, int minValue, int maxValue) {
  return std::max(minValue, std::min(value, std::max(minValue, maxValue)));
}

void placeFloat(CControlUI* control, const RECT& parent) {
  const SIZE xy = control->GetFixedXY();
  RECT rc{parent.left + xy.cx, parent.top + xy.cy, 0, 0};
  rc.right = rc.left + control->GetFixedWidth();
  rc.bottom = rc.top + control->GetFixedHeight();
  control->SetPos(rc, false);
}

TAxisChild describe(CControlUI* control, int crossAvailable, int mainAvailable, bool vertical) {
  const RECT pad = control->GetPadding();
  const SIZE available =
      vertical ? SIZE{crossAvailable, mainAvailable} : SIZE{mainAvailable, crossAvailable};
  const SIZE sz = control->EstimateSize(available);
  TAxisChild child{control, vertical ? sz.cy : sz.cx, 0, 0, 0, 0, 0, 0};
  child.padBefore = vertical ? pad.top : pad.left;
  child.padAfter = vertical ? pad.bottom : pad.right;
  child.padCrossBefore = vertical ? pad.left : pad.top;
  child.padCrossAfter = vertical ? pad.right : pad.bottom;
  child.minMain = vertical ? control->GetMinHeight() : control->GetMinWidth();
  child.maxMain = vertical ? control->GetMaxHeight() : control->GetMaxWidth();
  if (child.estimate != 0) child.estimate = clampSize(child.estimate, child.minMain, child.maxMain);
  return child;
}

int crossSize(const TAxisChild& child, int crossAvailable, bool vertical) {
  CControlUI* c = child.control;
  int size = vertical ? c->GetFixedWidth() : c->GetFixedHeight();
  if (size == 0) size = crossAvailable - child.padCrossBefore - child.padCrossAfter;
  const int minCross = vertical ? c->GetMinWidth() : c->GetMinHeight();
  const int maxCross = vertical ? c->GetMaxWidth() : c->GetMaxHeight();
  return std::max(0, clampSize(size, minCross, maxCross));
}

}  // namespace

TLinearLayoutResult LayoutLinear(const std::vector<CControlUI*>& items, const RECT& client,
                                 SIZE scroll, int childPadding, bool vertical,
                                 const RECT& parentRect) {
  const int mainAvailable = vertical ? client.bottom - client.top : client.right - client.left;
  const int crossAvailable = vertical ? client.right - client.left : client.bottom - client.top;

  std::vector<TAxisChild> children;
  children.reserve(items.size());
  int fixed = 0;
  int stretchables = 0;
  for (CControlUI* item : items) {
    if (!item->IsVisible()) continue;
    if (item->IsFloat()) {
      placeFloat(item, parentRect);
      continue;
    }
    children.push_back(describe(item, crossAvailable, mainAvailable, vertical));
    const TAxisChild& c = children.back();
    if (c.estimate == 0) ++stretchables;
    fixed += c.estimate + c.padBefore + c.padAfter;
  }
  TLinearLayoutResult result;
  if (children.empty()) return result;
  fixed += (static_cast<int>(children.size()) - 1) * childPadding;

  const int spare = std::max(0, mainAvailable - fixed);
  const int share = stretchables > 0 ? spare / stretchables : 0;
  int stretchSeen = 0;
  int pos = (vertical ? client.top - scroll.cy : client.left - scroll.cx);
  const int crossStart = vertical ? client.left - scroll.cx : client.top - scroll.cy;
  for (const TAxisChild& c : children) {
    int main = c.estimate;
    if (main == 0) {
      ++stretchSeen;
      main = (stretchSeen == stretchables) ? spare - share * (stretchables - 1) : share;
      main = clampSize(main, c.minMain, c.maxMain);
    }
    const int cross = crossSize(c, crossAvailable, vertical);
    const int mainStart = pos + c.padBefore;
    const int crossBegin = crossStart + c.padCrossBefore;
    RECT rc = vertical ? RECT{crossBegin, mainStart, crossBegin + cross, mainStart + main}
                       : RECT{mainStart, crossBegin, mainStart + main, crossBegin + cross};
    c.control->SetPos(rc, false);
    pos = mainStart + main + c.padAfter + childPadding;
    result.mainNeeded += c.padBefore + main + c.padAfter;
    result.crossNeeded = std::max(result.crossNeeded, c.padCrossBefore + cross + c.padCrossAfter);
  }
  result.mainNeeded += (static_cast<int>(children.size()) - 1) * childPadding;
  return result;
}

}  // namespace DuiLib
