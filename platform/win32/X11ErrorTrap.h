// X errors as Win32 errors. Xlib reports an error to one handler per process, asynchronously
// (when a later reply or a sync reads it). This process installs that handler once, for
// every Xlib connection it opens (the desktop's, the change watcher's, the mouse hook's):
// an error that no trap expects is a window that vanished between two requests, which is
// normal here, so it is logged and dropped instead of ending the process as Xlib's default
// handler would.
//
// A call whose failure matters runs inside a trap, as Wine's X11DRV_expect_error and
// X11DRV_check_error do:
//
//   CX11ErrorTrap trap(display);
//   XChangeKeyboardMapping(display, keycode, 2, syms, 1);
//   if (!trap.Succeeded()) return 0;  // last error set, e.g. ERROR_INVALID_PARAMETER
//
// A trap catches the errors of requests made on its display, by any thread, from its
// construction on; traps nest (the innermost one that covers a request gets its error).
// No X11 header here: the display is only declared.
#pragma once

#include "platform/win32/Win32Types.h"

struct _XDisplay;

namespace win32::x11 {

// Installs the handler; later calls do nothing. Safe from any thread. Must run before the
// first request on a connection of ours whose errors could otherwise end the process.
void InstallErrorHandler();

// The Win32 error that stands for an X error code (BadWindow -> ERROR_INVALID_WINDOW_HANDLE,
// ...); ERROR_GEN_FAILURE for a code without a closer match.
DWORD LastErrorOfXError(int xErrorCode);

// What a trap caught: the first error since it was set or last checked.
struct TCaughtXError {
  _XDisplay* pDisplay = nullptr;
  unsigned long nFirstSerial = 0;
  int nErrorCode = 0;
  int nRequestCode = 0;
};

class CX11ErrorTrap {
 public:
  // Installs the handler if needed and starts catching with the display's next request.
  explicit CX11ErrorTrap(_XDisplay* display);
  // An error caught but never checked is logged.
  ~CX11ErrorTrap();
  CX11ErrorTrap(const CX11ErrorTrap&) = delete;
  CX11ErrorTrap& operator=(const CX11ErrorTrap&) = delete;

  // Waits until the server has handled every request made so far (XSync) and returns the
  // first X error code caught, 0 when none; then catches afresh from the next request.
  int Check();
  // Check() == 0; otherwise sets the last error (LastErrorOfXError) and returns false.
  bool Succeeded();

 private:
  // Syncs, returns what was caught and starts afresh.
  TCaughtXError take();

  TCaughtXError m_caught;
};

}  // namespace win32::x11
