// Passive key grabs on Qt's own connection: the grab must belong to the client that owns the
// window, so that the key events come to that client's event queue and Qt delivers them to
// the window like any other key. One grab per lock-modifier combination, because X matches
// the modifier mask exactly and Caps Lock or Num Lock would otherwise defeat the chord.
#include "platform/win32/KeyGrab.h"

#include "platform/log/Log.h"
#include "platform/win32/Input.h"
#include "platform/win32/KernelObject.h"
#include "platform/win32/Window.h"
#include "platform/win32/X11Private.h"

#include <array>
#include <cstdint>
#include <utility>

#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace {

using win32::x11::Reply;

// Virtual key -> keysym for the keys a chord may use. Letters and digits are their ASCII
// codes as virtual keys; letters map to their lower-case keysym.
std::uint32_t keysymOfVk(UINT vk) {
  if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
  if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
  if (vk == VK_TAB) return XK_Tab;
  return 0;
}

// The first keycode whose mapping holds the keysym in any column, or 0.
xcb_keycode_t keycodeOf(xcb_connection_t* c, std::uint32_t keysym) {
  const xcb_setup_t* setup = xcb_get_setup(c);
  const int first = setup->min_keycode;
  const int count = setup->max_keycode - setup->min_keycode + 1;
  Reply<xcb_get_keyboard_mapping_reply_t> map(
      xcb_get_keyboard_mapping_reply(c,
                                     xcb_get_keyboard_mapping(c, static_cast<xcb_keycode_t>(first),
                                                              static_cast<std::uint8_t>(count)),
                                     nullptr));
  if (!map) return 0;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
  const int perCode = map->keysyms_per_keycode;
  for (int code = 0; code < count; ++code)
    for (int column = 0; column < perCode; ++column)
      if (syms[code * perCode + column] == keysym) return static_cast<xcb_keycode_t>(first + code);
  return 0;
}

std::uint16_t xModifiers(UINT modifiers) {
  std::uint16_t mask = 0;
  if (modifiers & MOD_CONTROL) mask |= XCB_MOD_MASK_CONTROL;
  if (modifiers & MOD_SHIFT) mask |= XCB_MOD_MASK_SHIFT;
  if (modifiers & MOD_ALT) mask |= XCB_MOD_MASK_1;
  return mask;
}

}  // namespace

BOOL GrabWindowKey(HWND hwnd, UINT modifiers, UINT vk) {
  xcb_connection_t* c = win32::x11::QtAllowsX11() ? win32::x11::QtXcbConnection() : nullptr;
  win32::OwnWindowBackend* own = win32::GetOwnWindowBackend();
  const unsigned long window = own && c ? own->NativeId(hwnd) : 0;
  const std::uint32_t keysym = keysymOfVk(vk);
  const xcb_keycode_t keycode = window && keysym ? keycodeOf(c, keysym) : 0;
  if (!keycode) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // Caps Lock is Lock; Num Lock is Mod2 on every common keymap.
  static constexpr std::array<std::uint16_t, 4> kLocks = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                                          XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
  bool grabbed = true;
  for (std::uint16_t locks : kLocks) {
    const xcb_void_cookie_t cookie =
        xcb_grab_key_checked(c, 1, static_cast<xcb_window_t>(window),
                             static_cast<std::uint16_t>(xModifiers(modifiers) | locks), keycode,
                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    grabbed = win32::x11::CheckRequest(c, cookie.sequence) && grabbed;
  }
  if (!grabbed)
    TC_LOG(TC_LOG_WARN, "key 0x" << std::hex << vk << " with modifiers 0x" << modifiers
                                 << " is grabbed by another client");
  return grabbed ? TRUE : FALSE;
}
