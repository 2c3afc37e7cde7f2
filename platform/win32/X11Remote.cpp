// Remote window calls over X client messages (the model is in RemoteWindow.h).
//
// Atoms: _TC_WIN32_PID (CARDINAL/32 on each window of ours: the owning process id),
// _TC_WIN32_REQUEST and _TC_WIN32_REPLY (client message types), _TC_WIN32_DATA (the bytes
// of a WM_COPYDATA, a property of the sender's reply window, deleted by the reader).
// A client message sent with an empty event mask goes to the client that made the target
// window: the request reaches the owner's GUI connection, the reply the sender's own one.
#include "platform/win32/RemoteWindow.h"

#include "platform/log/Log.h"
#include "platform/win32/KernelObject.h"
#include "platform/win32/Window.h"
#include "platform/win32/X11Private.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <xcb/xcb.h>

namespace win32 {
namespace {

using x11::Reply;
using x11::XId;

struct TRemoteAtoms {
  xcb_atom_t pid = XCB_ATOM_NONE;
  xcb_atom_t request = XCB_ATOM_NONE;
  xcb_atom_t reply = XCB_ATOM_NONE;
  xcb_atom_t data = XCB_ATOM_NONE;
};

TRemoteAtoms internAtoms(xcb_connection_t* connection) {
  static constexpr const char* kNames[] = {"_TC_WIN32_PID", "_TC_WIN32_REQUEST", "_TC_WIN32_REPLY",
                                           "_TC_WIN32_DATA"};
  xcb_intern_atom_cookie_t cookies[4];
  for (int i = 0; i < 4; ++i)
    cookies[i] = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(kNames[i])),
                                 kNames[i]);
  xcb_atom_t atoms[4] = {};
  for (int i = 0; i < 4; ++i) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookies[i], nullptr));
    atoms[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  }
  return TRemoteAtoms{atoms[0], atoms[1], atoms[2], atoms[3]};
}

// A connection of this file's own: marking, reading request data and replying happen on
// the GUI thread, checks on any thread; none of them may wait behind the desktop's lock.
struct TConnection {
  xcb_connection_t* xcb = nullptr;
  xcb_window_t root = 0;
  TRemoteAtoms atoms;
};

std::mutex s_mutex;

// Null when no display can be opened; opened once.
TConnection* shared() {
  static TConnection* connection = [] {
    xcb_window_t root = 0;
    xcb_connection_t* xcb = x11::ConnectXcb(&root);
    if (!xcb) return static_cast<TConnection*>(nullptr);
    auto* c = new TConnection;  // lives for the process
    c->xcb = xcb;
    c->root = root;
    c->atoms = internAtoms(xcb);
    return c;
  }();
  return connection;
}

// The process id marked on the window, 0 when there is none (or the window is gone).
DWORD markedPid(TConnection& c, xcb_window_t window) {
  auto cookie = xcb_get_property(c.xcb, 0, window, c.atoms.pid, XCB_ATOM_CARDINAL, 0, 1);
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c.xcb, cookie, nullptr));
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return 0;
  std::uint32_t pid = 0;
  std::memcpy(&pid, xcb_get_property_value(reply.get()), 4);
  return pid;
}

bool processAlive(DWORD pid) {
  return pid != 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

xcb_client_message_event_t clientMessage(xcb_window_t to, xcb_atom_t type,
                                         const std::uint32_t (&data)[5]) {
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = to;
  event.type = type;
  std::memcpy(event.data.data32, data, sizeof data);
  return event;
}

void sendClientMessage(xcb_connection_t* xcb, xcb_window_t to, xcb_atom_t type,
                       const std::uint32_t (&data)[5]) {
  const xcb_client_message_event_t event = clientMessage(to, type, data);
  xcb_send_event(xcb, 0, to, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
}

// The sender's side of one call, on a connection of its own so that waiting for the reply
// reads only this call's events.
class CRemoteCaller {
 public:
  CRemoteCaller() : m_pXcb(xcb_connect(nullptr, nullptr)) {
    if (m_pXcb && xcb_connection_has_error(m_pXcb)) {
      xcb_disconnect(m_pXcb);
      m_pXcb = nullptr;
    }
    if (m_pXcb) m_atoms = internAtoms(m_pXcb);
  }
  ~CRemoteCaller() {
    if (!m_pXcb) return;
    if (m_nReplyWindow) xcb_destroy_window(m_pXcb, m_nReplyWindow);
    xcb_flush(m_pXcb);
    xcb_disconnect(m_pXcb);
  }
  CRemoteCaller(const CRemoteCaller&) = delete;
  CRemoteCaller& operator=(const CRemoteCaller&) = delete;

  bool Call(xcb_window_t target, RemoteCall call, UINT arg, WPARAM wParam, LPARAM lParam,
            const void* data, DWORD size, bool wait, LRESULT* result) {
    if (!m_pXcb) return false;
    if (wait && !MakeReplyWindow(data, size)) return false;
    const std::uint32_t request[5] = {static_cast<std::uint32_t>(call), arg,
                                      static_cast<std::uint32_t>(wParam),
                                      static_cast<std::uint32_t>(lParam), m_nReplyWindow};
    if (!wait) return SendAndConfirm(target, request);
    sendClientMessage(m_pXcb, target, m_atoms.request, request);
    xcb_flush(m_pXcb);
    return WaitReply(result);
  }

 private:
  // A post has no answer to wait for, yet the connection must not close before the server
  // has read the request: a server that notices the hang-up first drops it unread. The
  // checked send's round trip says it was taken (or why not: the window is gone).
  bool SendAndConfirm(xcb_window_t target, const std::uint32_t (&data)[5]) {
    const xcb_client_message_event_t event = clientMessage(target, m_atoms.request, data);
    const xcb_void_cookie_t cookie = xcb_send_event_checked(
        m_pXcb, 0, target, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    Reply<xcb_generic_error_t> error(xcb_request_check(m_pXcb, cookie));
    if (error) SetLastError(ERROR_INVALID_HANDLE);
    return !error && !xcb_connection_has_error(m_pXcb);
  }

  bool MakeReplyWindow(const void* data, DWORD size) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_pXcb)).data;
    m_nReplyWindow = xcb_generate_id(m_pXcb);
    xcb_create_window(m_pXcb, 0, m_nReplyWindow, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    if (data && size)
      xcb_change_property(m_pXcb, XCB_PROP_MODE_REPLACE, m_nReplyWindow, m_atoms.data, m_atoms.data,
                          8, size, data);
    return true;
  }

  bool WaitReply(LRESULT* result) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kRemoteCallTimeoutMs);
    pollfd fd{xcb_get_file_descriptor(m_pXcb), POLLIN, 0};
    while (!xcb_connection_has_error(m_pXcb)) {
      while (Reply<xcb_generic_event_t> event{xcb_poll_for_event(m_pXcb)}) {
        if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) continue;
        const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event.get());
        if (message->type != m_atoms.reply || message->window != m_nReplyWindow) continue;
        const std::uint64_t value =
            message->data.data32[0] | (static_cast<std::uint64_t>(message->data.data32[1]) << 32);
        if (result) *result = static_cast<LRESULT>(value);
        return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) break;
      ::poll(&fd, 1, static_cast<int>(left));
    }
    SetLastError(ERROR_TIMEOUT);
    return false;
  }

  xcb_connection_t* m_pXcb = nullptr;
  TRemoteAtoms m_atoms;
  xcb_window_t m_nReplyWindow = 0;
};

}  // namespace

bool IsRemoteOwnWindow(HWND hwnd) {
  const auto window = static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(hwnd));
  if (!window) return false;
  std::lock_guard<std::mutex> lock(s_mutex);
  TConnection* c = shared();
  if (!c) return false;
  const DWORD pid = markedPid(*c, window);
  return pid != 0 && pid != static_cast<DWORD>(::getpid()) && processAlive(pid);
}

bool CallRemoteWindow(HWND hwnd, RemoteCall call, UINT arg, WPARAM wParam, LPARAM lParam,
                      LRESULT* result, const void* data, DWORD size) {
  if (result) *result = 0;
  if (!IsRemoteOwnWindow(hwnd)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  const auto window = static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(hwnd));
  CRemoteCaller caller;
  const bool done = caller.Call(window, call, arg, wParam, lParam, data, size,
                                call != RemoteCall::kPostMessage, result);
  if (!done)
    TC_LOG(TC_LOG_WARN,
           "remote call " << static_cast<int>(call) << " on window " << window << " got no answer");
  return done;
}

void MarkOwnWindow(unsigned long nativeId) {
  if (!nativeId) return;
  std::lock_guard<std::mutex> lock(s_mutex);
  TConnection* c = shared();
  if (!c) return;
  const auto pid = static_cast<std::uint32_t>(::getpid());
  xcb_change_property(c->xcb, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(nativeId),
                      c->atoms.pid, XCB_ATOM_CARDINAL, 32, 1, &pid);
  xcb_flush(c->xcb);
}

bool DecodeRemoteRequest(const void* xcbEvent, TRemoteRequest* request) {
  const auto* event = static_cast<const xcb_generic_event_t*>(xcbEvent);
  if (!event || !request || (event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) return false;
  const auto* message = static_cast<const xcb_client_message_event_t*>(xcbEvent);
  std::lock_guard<std::mutex> lock(s_mutex);
  TConnection* c = shared();
  if (!c || message->format != 32 || message->type != c->atoms.request) return false;
  const std::uint32_t* d = message->data.data32;
  request->hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(message->window));
  request->call = static_cast<RemoteCall>(d[0]);
  request->arg = d[1];
  request->wParam = static_cast<WPARAM>(d[2]);
  request->lParam = static_cast<LPARAM>(static_cast<std::int32_t>(d[3]));
  request->nReplyWindow = d[4];
  request->strData.clear();
  if (request->nReplyWindow && request->call == RemoteCall::kSendMessage &&
      request->arg == WM_COPYDATA) {
    // Read and delete in one request: the bytes are this call's only.
    auto cookie = xcb_get_property(c->xcb, 1, request->nReplyWindow, c->atoms.data,
                                   XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 20);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c->xcb, cookie, nullptr));
    if (reply && reply->format == 8)
      request->strData.assign(static_cast<const char*>(xcb_get_property_value(reply.get())),
                              static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
  }
  TC_LOG(TC_LOG_DEBUG, "remote call " << d[0] << " (" << d[1] << ") on window " << message->window);
  return true;
}

void AnswerRemoteRequest(const TRemoteRequest& request, LRESULT result) {
  if (!request.nReplyWindow) return;
  std::lock_guard<std::mutex> lock(s_mutex);
  TConnection* c = shared();
  if (!c) return;
  const auto value = static_cast<std::uint64_t>(result);
  const std::uint32_t reply[5] = {static_cast<std::uint32_t>(value),
                                  static_cast<std::uint32_t>(value >> 32), 0, 0, 0};
  sendClientMessage(c->xcb, request.nReplyWindow, c->atoms.reply, reply);
  xcb_flush(c->xcb);
}

}  // namespace win32
