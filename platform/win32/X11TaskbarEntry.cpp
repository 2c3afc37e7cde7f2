// The skip-taskbar state over a connection of this file's own (the model is in TaskbarEntry.h).
#include "platform/win32/TaskbarEntry.h"

#include "platform/win32/X11Private.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include <xcb/xcb.h>

namespace win32 {
namespace {

using x11::Reply;

constexpr std::uint32_t kStateRemove = 0;  // _NET_WM_STATE client message actions
constexpr std::uint32_t kStateAdd = 1;
constexpr std::uint32_t kSourceApplication = 1;

struct TConnection {
  xcb_connection_t* xcb = nullptr;
  xcb_window_t root = 0;
  xcb_atom_t state = XCB_ATOM_NONE;
  xcb_atom_t skipTaskbar = XCB_ATOM_NONE;
  xcb_atom_t modal = XCB_ATOM_NONE;
};

std::mutex s_mutex;

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// Null when no display can be opened; opened once, lives for the process.
TConnection* shared() {
  static TConnection* connection = [] {
    xcb_window_t root = 0;
    xcb_connection_t* xcb = x11::ConnectXcb(&root);
    if (!xcb) return static_cast<TConnection*>(nullptr);
    auto* c = new TConnection;
    c->xcb = xcb;
    c->root = root;
    c->state = internAtom(xcb, "_NET_WM_STATE");
    c->skipTaskbar = internAtom(xcb, "_NET_WM_STATE_SKIP_TASKBAR");
    c->modal = internAtom(xcb, "_NET_WM_STATE_MODAL");
    return c;
  }();
  return connection;
}

std::vector<xcb_atom_t> readStates(TConnection* c, xcb_window_t window) {
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c->xcb, xcb_get_property(c->xcb, 0, window, c->state, XCB_ATOM_ATOM, 0, 64), nullptr));
  if (!reply || reply->format != 32) return {};
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
  return std::vector<xcb_atom_t>(atoms, atoms + xcb_get_property_value_length(reply.get()) / 4);
}

}  // namespace

namespace {

void setState(unsigned long nativeId, xcb_atom_t TConnection::*which, bool on) {
  if (!nativeId) return;
  std::lock_guard<std::mutex> lock(s_mutex);
  TConnection* c = shared();
  if (!c || c->*which == XCB_ATOM_NONE) return;
  const xcb_atom_t atom = c->*which;
  const auto window = static_cast<xcb_window_t>(nativeId);
  std::vector<xcb_atom_t> states = readStates(c, window);
  const auto at = std::find(states.begin(), states.end(), atom);
  if ((at != states.end()) == on) return;
  if (on)
    states.push_back(atom);
  else
    states.erase(at);
  xcb_change_property(c->xcb, XCB_PROP_MODE_REPLACE, window, c->state, XCB_ATOM_ATOM, 32,
                      static_cast<std::uint32_t>(states.size()), states.data());
  // Also the request to the manager, mapped or not: a window whose map request the manager
  // has not handled yet is not mapped, and the manager may have read the property before
  // this change. A manager ignores requests for windows it does not manage.
  {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = c->state;
    message.data.data32[0] = on ? kStateAdd : kStateRemove;
    message.data.data32[1] = atom;
    message.data.data32[3] = kSourceApplication;
    xcb_send_event(c->xcb, 0, c->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
  }
  xcb_flush(c->xcb);
}

}  // namespace

void SetSkipTaskbar(unsigned long nativeId, bool skip) {
  setState(nativeId, &TConnection::skipTaskbar, skip);
}

void SetModalState(unsigned long nativeId, bool modal) {
  setState(nativeId, &TConnection::modal, modal);
}

unsigned long PressedWindow(const void* xcbEvent) {
  const auto* event = static_cast<const xcb_generic_event_t*>(xcbEvent);
  if (!event || (event->response_type & 0x7F) != XCB_BUTTON_PRESS) return 0;
  return static_cast<const xcb_button_press_event_t*>(xcbEvent)->event;
}

unsigned long StateChangedWindow(const void* xcbEvent) {
  const auto* event = static_cast<const xcb_generic_event_t*>(xcbEvent);
  if (!event || (event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) return 0;
  const auto* notify = static_cast<const xcb_property_notify_event_t*>(xcbEvent);
  std::lock_guard<std::mutex> lock(s_mutex);
  TConnection* c = shared();
  if (!c || notify->atom != c->state) return 0;
  return notify->window;
}

}  // namespace win32
