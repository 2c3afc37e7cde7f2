// Window calls on a window of this program that lives in another process (for example the
// main frame of the first instance, reached by a second start, or an updater's WM_COPYDATA).
//
// On Windows a handle reaches a window of any process. Here a foreign handle is an X11 id,
// and the X server can only map, move or close another client's window; styles, iconic state
// and messages belong to the process that made the window. So every top-level window of ours
// carries a marker property, and a call on a marked window of another process travels as an
// X client message that the owning process carries out on its GUI thread:
//
//   sender                                   owner of the window
//   makes a reply window R (unmapped),
//   puts WM_COPYDATA bytes on R,
//   sends "request" {call, arg, w, l, R}  -> reads (and deletes) the bytes of R,
//                                            runs the call on its GUI thread,
//   waits for "reply" on R (bounded)      <- sends "reply" {result} to R
//
// Parameters cross as 32-bit integers (pointers mean nothing in another process); only
// WM_COPYDATA carries data, the COPYDATASTRUCT's bytes. A posted message has no reply window.
#pragma once

#include "platform/win32/Win32Types.h"

#include <cstdint>
#include <string>

namespace win32 {

enum class RemoteCall : std::uint32_t {
  kSendMessage = 1,  // arg: message; the result is the handler's
  kPostMessage,      // arg: message; no reply
  kShowWindow,       // arg: SW_*; result: was visible
  kGetWindowLong,    // arg: index
  kSetWindowLong,    // arg: index, lParam: value; result: the old value
  kIsIconic,
  kActivate,  // raise, activate, focus
};

// A request as the owning process receives it.
struct TRemoteRequest {
  HWND hwnd = nullptr;
  RemoteCall call = RemoteCall::kSendMessage;
  UINT arg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::string strData;             // WM_COPYDATA bytes
  std::uint32_t nReplyWindow = 0;  // 0: nobody waits
};

// How long a sender waits for the owner to carry a call out.
inline constexpr DWORD kRemoteCallTimeoutMs = 5000;

// True when hwnd is a window of this program in another live process (and an X display is
// there to reach it).
bool IsRemoteOwnWindow(HWND hwnd);

// Runs the call in the window's process and waits for its result. data/size: the bytes of
// WM_COPYDATA. False when the window is not a remote window of ours, or with ERROR_TIMEOUT
// when its process did not answer within kRemoteCallTimeoutMs (it may still carry it out,
// as after SendMessageTimeout). A posted message returns once it is sent.
bool CallRemoteWindow(HWND hwnd, RemoteCall call, UINT arg, WPARAM wParam, LPARAM lParam,
                      LRESULT* result, const void* data = nullptr, DWORD size = 0);

// The owner's side. MarkOwnWindow: called for each X window of ours that other processes
// may address. DecodeRemoteRequest: given an event of the GUI connection (an
// xcb_generic_event_t), true when it is a request, filled in. AnswerRemoteRequest: sends
// the result to the waiting sender, if any.
void MarkOwnWindow(unsigned long nativeId);
bool DecodeRemoteRequest(const void* xcbEvent, TRemoteRequest* request);
void AnswerRemoteRequest(const TRemoteRequest& request, LRESULT result);

}  // namespace win32
