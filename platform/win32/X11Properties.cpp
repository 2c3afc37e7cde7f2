// Window facts read on demand: the title, the iconic state and the stacking order of a
// window's children. Atoms that only these need are interned on first use.
#include "platform/win32/X11Desktop.h"

#include <algorithm>
#include <cstring>

#include <xcb/xcb.h>

namespace win32::x11 {
namespace {

constexpr std::uint32_t kIconicState = 3;  // ICCCM WM_STATE

XId internAtom(xcb_connection_t* c, const char* name) {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : 0;
}

std::string readText(xcb_connection_t* c, XId window, XId property, XId type) {
  Reply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1024), nullptr));
  if (!reply || reply->format != 8) return {};
  const char* value = static_cast<const char*>(xcb_get_property_value(reply.get()));
  return std::string(value, static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

}  // namespace

std::string CX11Desktop::Title(HWND hwnd) {
  Lock lock(m_pConnection->mutex);
  xcb_connection_t* c = m_pConnection->Xcb();
  static const XId netWmName = internAtom(c, "_NET_WM_NAME");
  static const XId utf8String = internAtom(c, "UTF8_STRING");
  std::string title = readText(c, HandleToULong32(hwnd), netWmName, utf8String);
  if (title.empty()) title = readText(c, HandleToULong32(hwnd), XCB_ATOM_WM_NAME, XCB_ATOM_ANY);
  return title;
}

bool CX11Desktop::IsIconic(HWND hwnd) {
  Lock lock(m_pConnection->mutex);
  xcb_connection_t* c = m_pConnection->Xcb();
  const XId wmState = m_pConnection->Atoms().wmState;
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c, xcb_get_property(c, 0, HandleToULong32(hwnd), wmState, wmState, 0, 2), nullptr));
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return false;
  return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get())) == kIconicState;
}

std::vector<HWND> CX11Desktop::Children(unsigned long parentId) {
  Lock lock(m_pConnection->mutex);
  XId parent = 0;
  std::vector<XId> children;
  if (!m_pConnection->QueryTree(static_cast<XId>(parentId), parent, &children)) return {};
  // The server lists children bottom to top; Win32's GW_CHILD starts at the top.
  std::vector<HWND> result;
  result.reserve(children.size());
  std::for_each(children.rbegin(), children.rend(),
                [&](XId id) { result.push_back(ULong32ToHandle(id)); });
  return result;
}

}  // namespace win32::x11
