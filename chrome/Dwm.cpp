#include "chrome/Dwm.h"

#include <mutex>

namespace {

// The one look-up of the process; its result, a failed one included, is kept.
std::once_flag s_lookup;
bool s_bAvailable = false;

void lookUp() {
  // No composition library exists on X11: every function stays null.
  s_bAvailable = false;
}

}  // namespace

CDwm::CDwm() {
  std::call_once(s_lookup, lookUp);
}

bool CDwm::IsAvailable() {
  std::call_once(s_lookup, lookUp);
  return s_bAvailable;
}
