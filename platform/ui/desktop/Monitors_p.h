// The screen behind an HMONITOR, for the other desktop services.
#pragma once

#include "platform/ui/desktop/Monitors.h"

class QScreen;

namespace DuiLib {

// Null when hMonitor names no screen (or there is no application).
QScreen* ScreenOfMonitor(HMONITOR hMonitor);

}  // namespace DuiLib
