// The process's one X error handler and the traps it fills. Xlib calls the handler from
// whichever thread reads the error off a connection, with that connection locked; the
// handler only looks the trap up under a mutex of its own and makes no Xlib call, so no
// lock order can be inverted.
#include "platform/win32/X11ErrorTrap.h"

#include "platform/log/Log.h"
#include "platform/win32/KernelObject.h"

#include <mutex>
#include <vector>

#include <X11/Xlib.h>

namespace win32::x11 {
namespace {

// X error code -> last error. Invariant: each code once; codes not listed mean
// ERROR_GEN_FAILURE.
struct TErrorMapping {
  int nXError;
  DWORD dwLastError;
};
constexpr TErrorMapping kErrorTable[] = {
    {BadWindow, ERROR_INVALID_WINDOW_HANDLE}, {BadDrawable, ERROR_INVALID_WINDOW_HANDLE},
    {BadMatch, ERROR_INVALID_PARAMETER},      {BadValue, ERROR_INVALID_PARAMETER},
    {BadAtom, ERROR_INVALID_PARAMETER},       {BadAccess, ERROR_ACCESS_DENIED},
    {BadAlloc, ERROR_NOT_ENOUGH_MEMORY},      {BadPixmap, ERROR_INVALID_HANDLE},
    {BadCursor, ERROR_INVALID_HANDLE},        {BadGC, ERROR_INVALID_HANDLE},
    {BadIDChoice, ERROR_INVALID_HANDLE},
};

// The traps alive now, oldest first.
std::mutex s_trapMutex;
std::vector<TCaughtXError*> s_vecTraps;

int handleXError(::Display* display, XErrorEvent* event) {
  {
    std::lock_guard<std::mutex> lock(s_trapMutex);
    // The newest trap on this display that covers the request is the innermost one.
    for (auto it = s_vecTraps.rbegin(); it != s_vecTraps.rend(); ++it) {
      TCaughtXError& trap = **it;
      if (trap.pDisplay != display || event->serial < trap.nFirstSerial) continue;
      if (!trap.nErrorCode) {
        trap.nErrorCode = event->error_code;
        trap.nRequestCode = event->request_code;
      }
      return 0;
    }
  }
  TC_LOG(TC_LOG_DEBUG, "X error " << int(event->error_code) << " on request "
                                  << int(event->request_code) << " for 0x" << std::hex
                                  << event->resourceid);
  return 0;
}

}  // namespace

void InstallErrorHandler() {
  static std::once_flag once;
  std::call_once(once, [] { XSetErrorHandler(handleXError); });
}

DWORD LastErrorOfXError(int xErrorCode) {
  for (const TErrorMapping& entry : kErrorTable) {
    if (entry.nXError == xErrorCode) return entry.dwLastError;
  }
  return ERROR_GEN_FAILURE;
}

CX11ErrorTrap::CX11ErrorTrap(_XDisplay* display) {
  InstallErrorHandler();
  m_caught.pDisplay = display;
  m_caught.nFirstSerial = NextRequest(display);
  std::lock_guard<std::mutex> lock(s_trapMutex);
  s_vecTraps.push_back(&m_caught);
}

CX11ErrorTrap::~CX11ErrorTrap() {
  std::lock_guard<std::mutex> lock(s_trapMutex);
  std::erase(s_vecTraps, &m_caught);
  if (m_caught.nErrorCode)
    TC_LOG(TC_LOG_DEBUG, "X error " << m_caught.nErrorCode << " on request "
                                    << m_caught.nRequestCode << " caught but never checked");
}

TCaughtXError CX11ErrorTrap::take() {
  XSync(m_caught.pDisplay, False);
  std::lock_guard<std::mutex> lock(s_trapMutex);
  const TCaughtXError caught = m_caught;
  m_caught.nErrorCode = 0;
  m_caught.nRequestCode = 0;
  m_caught.nFirstSerial = NextRequest(m_caught.pDisplay);
  return caught;
}

int CX11ErrorTrap::Check() {
  return take().nErrorCode;
}

bool CX11ErrorTrap::Succeeded() {
  const TCaughtXError caught = take();
  if (!caught.nErrorCode) return true;
  TC_LOG(TC_LOG_DEBUG, "X error " << caught.nErrorCode << " on request " << caught.nRequestCode
                                  << " in a trapped call");
  SetLastError(LastErrorOfXError(caught.nErrorCode));
  return false;
}

}  // namespace win32::x11
