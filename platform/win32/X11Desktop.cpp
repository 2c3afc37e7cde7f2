#include "platform/win32/DesktopBackend.h"

namespace win32 {

DesktopBackend* X11Desktop() { return nullptr; }

}  // namespace win32
