#include "platform/ui/window/KeyState.h"

#include <QGuiApplication>

#include <array>
#include <utility>

namespace {

// Virtual key -> Qt modifier. Qt updates keyboardModifiers() as it takes input events from
// the queue, which is exactly the Win32 notion of the thread's key state.
constexpr std::array<std::pair<int, Qt::KeyboardModifier>, 3> kModifierKeys = {{
    {VK_CONTROL, Qt::ControlModifier},
    {VK_SHIFT, Qt::ShiftModifier},
    {VK_MENU, Qt::AltModifier},
}};

}  // namespace

short GetKeyState(int vk) {
  for (const auto& [key, modifier] : kModifierKeys)
    if (key == vk) return (QGuiApplication::keyboardModifiers() & modifier) ? short(0x8000) : 0;
  return 0;
}
