#include "mainframe/WinMain.h"

#include "platform/log/Log.h"
#include "app/LogSetup.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "mainframe/WorkbenchWnd.h"
#include "platform/ui/window/WndShadow.h"
#include "platform/ui/UIlib.h"
#include "platform/win32/KernelObject.h"

using namespace DuiLib;

namespace {

constexpr const char* kTitle = "Orvo客服-电商版";
constexpr UINT kProgramIcon = 107;  // skin/icon_107.png

void Shutdown(HANDLE block) {
  CPaintManagerUI::Term();
  if (block) CloseHandle(block);
  ShutdownLog();
}

}  // namespace

int WinMain(HINSTANCE instance) {
  CPaintManagerUI::SetInstance(instance);
  SetProgramFolder(CPaintManagerUI::GetInstancePath().str());
  CWndShadow::Initialize(instance);
  if (!PrepareFolders()) return 0;
  InitLog();
  TC_LOG(TC_LOG_INFO,
         "start, program folder " << GetProgramFolder() << ", version " << GetVersion());

  HANDLE block = CheckSingleInstance();
  if (!block) return 0;

  // The splash and login gates and the main frame take this window's place as they land;
  // until then the workbench window signs in with the remembered account by itself.
  auto* frame = new CWorkbenchWnd();
  if (!frame->Create(nullptr, kTitle,
                     WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0,
                     1000, 720)) {
    delete frame;
    Shutdown(block);
    return 0;
  }
  frame->CenterWindow();
  frame->SetIcon(kProgramIcon);
  frame->ShowWindow(true, true);
  PublishInstanceWindow(block, frame->GetHWND());

  CPaintManagerUI::MessageLoop();
  TC_LOG(TC_LOG_INFO, "end of the message loop");
  Shutdown(block);
  return 1;
}
