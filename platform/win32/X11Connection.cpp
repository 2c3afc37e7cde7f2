// The desktop's X connection: opening it, atoms, and the property reads the window
// functions share. Replies are owned by unique_ptr with free() as xcb requires.
#include "platform/win32/X11Private.h"

#include "platform/log/Log.h"
#include "platform/win32/KernelObject.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include <X11/Xlib.h>
#include <X11/Xlib-xcb.h>
#include <xcb/xcb.h>

namespace win32::x11 {

bool CheckRequest(xcb_connection_t* connection, unsigned int sequence) {
  Reply<xcb_generic_error_t> error(xcb_request_check(connection, xcb_void_cookie_t{sequence}));
  if (!error) return true;
  TC_LOG(TC_LOG_DEBUG, "X error " << int(error->error_code) << " on request "
                                  << int(error->major_code) << " for 0x" << std::hex
                                  << error->resource_id);
  SetLastError(LastErrorOfXError(error->error_code));
  return false;
}

xcb_connection_t* ConnectXcb(std::uint32_t* root) {
  xcb_connection_t* xcb = xcb_connect(nullptr, nullptr);
  if (!xcb || xcb_connection_has_error(xcb)) {
    if (xcb) xcb_disconnect(xcb);
    return nullptr;
  }
  *root = xcb_setup_roots_iterator(xcb_get_setup(xcb)).data->root;
  return xcb;
}

std::unique_ptr<CX11Connection> CX11Connection::Open() {
  ::Display* display = XOpenDisplay(nullptr);
  if (!display) return nullptr;
  InstallErrorHandler();
  std::unique_ptr<CX11Connection> connection(new CX11Connection());
  connection->m_pDisplay = display;
  connection->m_pXcb = XGetXCBConnection(display);
  connection->m_nRoot = static_cast<XId>(DefaultRootWindow(display));
  connection->internAtoms();
  return connection;
}

CX11Connection::~CX11Connection() {
  if (m_pDisplay) XCloseDisplay(m_pDisplay);
}

void CX11Connection::internAtoms() {
  struct TName {
    const char* name;
    XId TAtoms::*slot;
  };
  static constexpr TName kNames[] = {
      {"_NET_CLIENT_LIST", &TAtoms::netClientList},
      {"_NET_CLIENT_LIST_STACKING", &TAtoms::netClientListStacking},
      {"_NET_SUPPORTING_WM_CHECK", &TAtoms::netSupportingWmCheck},
      {"_NET_WM_PID", &TAtoms::netWmPid},
      {"_NET_ACTIVE_WINDOW", &TAtoms::netActiveWindow},
      {"_NET_WM_STATE", &TAtoms::netWmState},
      {"_NET_WM_STATE_MAXIMIZED_VERT", &TAtoms::netWmStateMaxVert},
      {"_NET_WM_STATE_MAXIMIZED_HORZ", &TAtoms::netWmStateMaxHorz},
      {"WM_STATE", &TAtoms::wmState},
      {"WM_CHANGE_STATE", &TAtoms::wmChangeState},
      {"WM_PROTOCOLS", &TAtoms::wmProtocols},
      {"WM_DELETE_WINDOW", &TAtoms::wmDeleteWindow},
      {"_NET_WM_PING", &TAtoms::netWmPing},
  };
  std::vector<xcb_intern_atom_cookie_t> cookies;
  for (const TName& name : kNames)
    cookies.push_back(
        xcb_intern_atom(m_pXcb, 0, static_cast<std::uint16_t>(std::strlen(name.name)), name.name));
  for (std::size_t i = 0; i < cookies.size(); ++i) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_pXcb, cookies[i], nullptr));
    if (reply) m_atoms.*(kNames[i].slot) = reply->atom;
  }
}

bool CX11Connection::HasWindowManager() {
  // A manager comes or goes rarely: the answer is kept for a second (two round trips less
  // per enumeration).
  constexpr auto kLifetime = std::chrono::seconds(1);
  const auto now = std::chrono::steady_clock::now();
  if (m_tpWmChecked != std::chrono::steady_clock::time_point{} && now - m_tpWmChecked < kLifetime)
    return m_bWindowManager;
  const XId check = ReadWindowProperty(m_nRoot, m_atoms.netSupportingWmCheck);
  m_bWindowManager = check != 0 && ReadWindowProperty(check, m_atoms.netSupportingWmCheck) == check;
  m_tpWmChecked = now;
  return m_bWindowManager;
}

std::string CX11Connection::ReadClass(XId window) {
  auto cookie = xcb_get_property(m_pXcb, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256);
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_pXcb, cookie, nullptr));
  if (!reply) return {};
  const char* value = static_cast<const char*>(xcb_get_property_value(reply.get()));
  const int length = xcb_get_property_value_length(reply.get());
  // "instance\0class\0": the class is the second string.
  const std::string both(value, static_cast<std::size_t>(length));
  const std::size_t split = both.find('\0');
  if (split == std::string::npos) return {};
  std::string cls = both.substr(split + 1);
  if (const std::size_t end = cls.find('\0'); end != std::string::npos) cls.resize(end);
  return cls;
}

std::vector<XId> CX11Connection::ReadWindowList(XId window, XId property) {
  auto cookie = xcb_get_property(m_pXcb, 0, window, property, XCB_ATOM_WINDOW, 0, 4096);
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_pXcb, cookie, nullptr));
  if (!reply || reply->format != 32) return {};
  const auto* ids = static_cast<const XId*>(xcb_get_property_value(reply.get()));
  return std::vector<XId>(ids, ids + xcb_get_property_value_length(reply.get()) / 4);
}

XId CX11Connection::ReadWindowProperty(XId window, XId property) {
  if (!window || !property) return 0;
  auto cookie = xcb_get_property(m_pXcb, 0, window, property, XCB_ATOM_WINDOW, 0, 1);
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_pXcb, cookie, nullptr));
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return 0;
  return *static_cast<const XId*>(xcb_get_property_value(reply.get()));
}

bool CX11Connection::QueryTree(XId window, XId& parent, std::vector<XId>* children) {
  Reply<xcb_query_tree_reply_t> reply(
      xcb_query_tree_reply(m_pXcb, xcb_query_tree(m_pXcb, window), nullptr));
  if (!reply) return false;
  parent = reply->parent;
  if (children) {
    const XId* ids = xcb_query_tree_children(reply.get());
    children->assign(ids, ids + xcb_query_tree_children_length(reply.get()));
  }
  return true;
}

bool CX11Connection::IsAlive(XId window) {
  return MapState(window) >= 0;
}

int CX11Connection::MapState(XId window) {
  if (!window) return -1;
  Reply<xcb_get_window_attributes_reply_t> reply(
      xcb_get_window_attributes_reply(m_pXcb, xcb_get_window_attributes(m_pXcb, window), nullptr));
  return reply ? reply->map_state : -1;
}

bool CX11Connection::Geometry(XId window, RECT& local, POINT& screen) {
  auto geometryCookie = xcb_get_geometry(m_pXcb, window);
  auto translateCookie = xcb_translate_coordinates(m_pXcb, window, m_nRoot, 0, 0);
  Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(m_pXcb, geometryCookie, nullptr));
  Reply<xcb_translate_coordinates_reply_t> translated(
      xcb_translate_coordinates_reply(m_pXcb, translateCookie, nullptr));
  if (!geometry || !translated) return false;
  local =
      RECT{geometry->x, geometry->y, geometry->x + geometry->width, geometry->y + geometry->height};
  screen = POINT{translated->dst_x, translated->dst_y};
  return true;
}

void CX11Connection::SendRootMessage(XId window, XId type, std::uint32_t d0, std::uint32_t d1,
                                     std::uint32_t d2, std::uint32_t d3) {
  xcb_client_message_event_t event;
  std::memset(&event, 0, sizeof event);
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = type;
  event.data.data32[0] = d0;
  event.data.data32[1] = d1;
  event.data.data32[2] = d2;
  event.data.data32[3] = d3;
  xcb_send_event(m_pXcb, 0, m_nRoot,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
}

bool CX11Connection::SendProtocolMessage(XId window, XId protocol, std::uint32_t d1,
                                         std::uint32_t d2) {
  xcb_client_message_event_t event;
  std::memset(&event, 0, sizeof event);
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = m_atoms.wmProtocols;
  event.data.data32[0] = protocol;
  event.data.data32[1] = d1;
  event.data.data32[2] = d2;
  return Checked(m_pXcb, xcb_send_event_checked(m_pXcb, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                reinterpret_cast<const char*>(&event)));
}

void CX11Connection::Sync() {
  // A round trip: the reply comes after every earlier request was handled.
  Reply<xcb_get_input_focus_reply_t> reply(
      xcb_get_input_focus_reply(m_pXcb, xcb_get_input_focus(m_pXcb), nullptr));
}

}  // namespace win32::x11
