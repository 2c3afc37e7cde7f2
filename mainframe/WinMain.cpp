#include "mainframe/WinMain.h"

#include "app/LogSetup.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "app/WindowIds.h"
#include "mainframe/DevSignIn.h"
#include "mainframe/MainFrameWnd.h"
#include "platform/log/Log.h"
#include "platform/ui/UIlib.h"
#include "platform/ui/window/WndShadow.h"
#include "platform/win32/ConsoleCtrl.h"
#include "platform/win32/KernelObject.h"
#include "server/ReplyFile.h"
#include "windows/StartupGates.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace DuiLib;

namespace {

constexpr const char* kTitle = "Orvo客服-电商版";
constexpr UINT kProgramIcon = 107;  // skin/icon_107.png

// The main frame's window, for the signal handler (which runs on a thread of its own).
std::atomic<HWND> s_hMainFrame{nullptr};
// A signal asked the program to end: an orderly exit, also when it comes during start-up.
std::atomic<bool> s_bStopRequested{false};

// SIGTERM, SIGINT and SIGHUP end the run as a confirmed exit: WM_CLOSE with kFrameCloseNow
// skips the question, and the frame's final message stops every copy and removes the tray icon.
BOOL OnControlEvent(DWORD) {
  s_bStopRequested = true;
  const HWND frame = s_hMainFrame.load();
  if (frame && ::PostMessageA(frame, WM_CLOSE, kFrameCloseNow, 0)) return TRUE;
  ::PostQuitMessage(0);
  return TRUE;
}

// Replies and downloads are written beside their place and moved in; a run that crashed
// mid-transfer leaves the partial file. Only this instance runs now and it has sent nothing
// yet, so every such file in our folders is stale.
void RemoveStaleTransferFiles() {
  const std::string userFolder = GetUserDataPath().str();
  if (userFolder.empty()) return;
  for (const char* sub : {"", "Faces/", "Images/"}) CReplyFile::RemoveStale(userFolder + sub);
}

void Shutdown(HANDLE block) {
  CPaintManagerUI::Term();
  if (block) CloseHandle(block);
  ShutdownLog();
}

// The splash and login gates. Tests that drive the frame alone pass both with the
// remembered account instead (TC_DEV_SIGNIN=1).
bool PassGates() {
  if (IsDevSignInEnabled()) return DevSignIn();
  return ShowSplash() == 0 && ShowLoginWindow();
}

}  // namespace

int WinMain(HINSTANCE instance) {
  CPaintManagerUI::SetInstance(instance);
  SetProgramFolder(CPaintManagerUI::GetInstancePath().str());
  CWndShadow::Initialize(instance);
  if (!PrepareFolders()) {
    std::fprintf(stderr, "tandem_chats: the per-user folder %s cannot be made\n",
                 GetUserDataPath().GetData());
    return 1;
  }
  InitLog();
  TC_LOG(TC_LOG_INFO,
         "start, program folder " << GetProgramFolder() << ", version " << GetVersion());

  HANDLE block = CheckSingleInstance();
  if (!block) {
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      ShutdownLog();
      return 0;
    }
    // Without the block a second start could not find this one: refuse rather than run twice.
    const int error = errno;
    std::fprintf(stderr,
                 "tandem_chats: cannot start: the single-instance lock in the runtime folder "
                 "(%s) cannot be opened: %s\n",
                 std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "/tmp",
                 std::strerror(error));
    ShutdownLog();
    return 1;
  }
  RemoveStaleTransferFiles();
  ::SetConsoleCtrlHandler(&OnControlEvent, TRUE);
  if (!PassGates()) {
    // Stopped at a gate (an update required, the login closed): the session never began.
    // A signal there is the desktop ending the program, which is an orderly end.
    TC_LOG(TC_LOG_INFO, "start-up stopped before the main window");
    Shutdown(block);
    return s_bStopRequested ? 0 : 1;
  }

  auto* frame = new CMainFrameWnd();
  if (!frame->Create(nullptr, kTitle,
                     WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0,
                     600, 800)) {
    delete frame;
    TC_LOG(TC_LOG_ERROR, "the main window could not be made");
    std::fprintf(stderr, "tandem_chats: the main window could not be made; the log is %s\n",
                 (GetUserDataPath().str() + "tandem_chats.log").c_str());
    Shutdown(block);
    return 1;
  }
  // From here a signal closes the frame; before, it can only end the loop (see below).
  const HWND frameWnd = frame->GetHWND();
  s_hMainFrame = frameWnd;
  frame->CenterWindow();
  frame->SetIcon(kProgramIcon);
  frame->ShowWindow(true, true);
  PublishInstanceWindow(block, frameWnd);

  CPaintManagerUI::MessageLoop();
  s_hMainFrame = nullptr;
  // A signal while the frame was being made ended the loop without closing it: its final
  // message is what stops every copy, so it is destroyed now.
  if (::IsWindow(frameWnd)) ::DestroyWindow(frameWnd);
  TC_LOG(TC_LOG_INFO, "end of the message loop");
  Shutdown(block);
  return 0;
}
