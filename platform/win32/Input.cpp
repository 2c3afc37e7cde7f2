#include "platform/win32/Input.h"

#include "platform/log/Log.h"
#include "platform/win32/DesktopBackend.h"
#include "platform/win32/KernelObject.h"
#include "platform/win32/Window.h"

#include <array>
#include <atomic>

namespace {

// Keys this process holds down, by virtual key.
std::array<std::atomic<bool>, 256> s_keysDown{};

}  // namespace

void keybd_event(BYTE vk, BYTE, DWORD flags, ULONG_PTR) {
  const bool up = (flags & KEYEVENTF_KEYUP) != 0;
  win32::DesktopBackend* desktop = win32::GetDesktopBackend();
  if (!desktop) {
    TC_LOG(TC_LOG_WARN, "keybd_event: no desktop for key 0x" << std::hex << int(vk));
    SetLastError(ERROR_INVALID_HANDLE);
    return;
  }
  if (!desktop->Key(vk, up)) {
    TC_LOG(TC_LOG_WARN, "keybd_event: key 0x" << std::hex << int(vk) << " was not delivered");
    return;
  }
  s_keysDown[vk].store(!up);
}

short GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  constexpr short kDown = static_cast<short>(0x8000);
  win32::DesktopBackend* desktop = win32::GetDesktopBackend();
  const int state = desktop ? desktop->KeyDown(static_cast<BYTE>(vk)) : -1;
  if (state >= 0) return state ? kDown : 0;
  return s_keysDown[vk].load() ? kDown : 0;
}
