// The window layer's side of IWindowSystem: what the paint manager and the desktop services
// reach through it, answered by the window table, the hosts and the message loops.
#pragma once

#include "platform/ui/core/WindowSystem_p.h"

namespace DuiLib {

IWindowSystem& OwnWindowSystem();

}  // namespace DuiLib
