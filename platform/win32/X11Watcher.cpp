// The change watcher: a thread with its own connection that listens on the root for
// top-level windows coming, going, being mapped or unmapped, and for the window manager's
// client list changing. Each such event counts one change and wakes the waiters. It also
// hears the answers to our _NET_WM_PING requests, which clients send to the root.
#include "platform/win32/X11Private.h"

#include "platform/log/Log.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <xcb/xcb.h>

namespace win32::x11 {
namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
  auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

// Of the root's properties only the manager's client lists matter; the others (the active
// window, desktop names, ...) change often and say nothing about new windows.
bool isTopLevelChange(const xcb_generic_event_t* event, xcb_atom_t clientList,
                      xcb_atom_t stacking) {
  switch (event->response_type & 0x7F) {
    case XCB_CREATE_NOTIFY:
    case XCB_DESTROY_NOTIFY:
    case XCB_MAP_NOTIFY:
    case XCB_UNMAP_NOTIFY:
    case XCB_REPARENT_NOTIFY:
      return true;
    case XCB_PROPERTY_NOTIFY: {
      const auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(event);
      return property->atom == clientList || property->atom == stacking;
    }
    default:
      return false;
  }
}

// The token of an answer to our ping (a client sends the request back to the root), or 0.
std::uint32_t pongToken(const xcb_generic_event_t* event, xcb_window_t root, xcb_atom_t protocols,
                        xcb_atom_t ping) {
  if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) return 0;
  const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
  if (message->window != root || message->type != protocols || message->format != 32 ||
      message->data.data32[0] != ping)
    return 0;
  return message->data.data32[1];
}

}  // namespace

CX11Watcher::CX11Watcher() = default;

void CX11Watcher::notePong(std::uint32_t token) {
  std::lock_guard<std::mutex> lock(m_mutex);
  constexpr std::size_t kKept = 64;
  if (m_vecPongs.size() >= kKept) m_vecPongs.erase(m_vecPongs.begin());
  m_vecPongs.push_back(token);
  m_cv.notify_all();
}

CX11Watcher::~CX11Watcher() {
  if (m_thread.joinable()) {
    const char stop = 1;
    [[maybe_unused]] ssize_t written = write(m_fdWake[1], &stop, 1);
    m_thread.join();
  }
  for (int fd : m_fdWake) {
    if (fd >= 0) close(fd);
  }
}

bool CX11Watcher::start() {
  // Called with m_mutex held.
  if (m_bStarted) return m_thread.joinable();
  m_bStarted = true;
  if (pipe2(m_fdWake, O_CLOEXEC) != 0) return false;
  m_thread = std::thread([this] { run(); });
  return true;
}

std::uint64_t CX11Watcher::Count() {
  std::lock_guard<std::mutex> lock(m_mutex);
  start();
  return m_nCount;
}

void CX11Watcher::Bump() {
  std::lock_guard<std::mutex> lock(m_mutex);
  ++m_nCount;
  m_cv.notify_all();
}

bool CX11Watcher::Listen(DWORD milliseconds) {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (!start()) return false;
  return m_cv.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return m_bListening; });
}

bool CX11Watcher::WaitForPong(std::uint32_t token, DWORD milliseconds, void (*serve)()) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      auto answered = [&] {
        return std::find(m_vecPongs.begin(), m_vecPongs.end(), token) != m_vecPongs.end();
      };
      if (m_cv.wait_for(lock, std::chrono::milliseconds(1), answered)) return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    // The client may be fetching our clipboard before it reaches the ping.
    if (serve) serve();
  }
}

bool CX11Watcher::WaitForChange(std::uint64_t seen, DWORD milliseconds) {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (!start()) {
    m_cv.wait_for(lock, std::chrono::milliseconds(milliseconds));
    return m_nCount != seen;
  }
  return m_cv.wait_for(lock, std::chrono::milliseconds(milliseconds),
                       [&] { return m_nCount != seen; });
}

void CX11Watcher::run() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    TC_LOG(TC_LOG_WARN, "desktop watcher: cannot connect to the X server");
    xcb_disconnect(connection);
    return;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  const xcb_atom_t clientList = internAtom(connection, "_NET_CLIENT_LIST");
  const xcb_atom_t stacking = internAtom(connection, "_NET_CLIENT_LIST_STACKING");
  const xcb_atom_t protocols = internAtom(connection, "WM_PROTOCOLS");
  const xcb_atom_t ping = internAtom(connection, "_NET_WM_PING");
  // Structure-notify too: Qt sends its ping answers to the root with that mask (GTK with
  // substructure-notify); no other event of the root itself counts as a change.
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY |
                             XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
  // A round trip: from its reply on, the selection holds and no answer can be missed.
  std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bListening = true;
    m_cv.notify_all();
  }
  pollfd fds[2] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {m_fdWake[0], POLLIN, 0}};
  for (;;) {
    bool changed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
      changed = changed || isTopLevelChange(event, clientList, stacking);
      if (const std::uint32_t token = pongToken(event, root, protocols, ping)) notePong(token);
      std::free(event);
    }
    if (changed) Bump();
    if (xcb_connection_has_error(connection)) break;
    if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
    if (fds[1].revents) break;
  }
  xcb_disconnect(connection);
}

}  // namespace win32::x11
