// ui_gallery: opens the gallery window and runs the message loop until it is closed.
//   ui_gallery [--quit-after <ms>]
#include "platform/ui/gallery/GalleryWnd.h"

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  int quitAfterMs = 0;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--quit-after") == 0) quitAfterMs = std::atoi(argv[i + 1]);

  DuiLib::CPaintManagerUI::SetInstance(nullptr);
  auto* window = new CGalleryWnd;
  if (!window->Create(nullptr, "UI Gallery", UI_WNDSTYLE_FRAME, 0, 0, 0, 0, 0)) return 1;
  window->CenterWindow();
  window->ShowWindow(true);
  if (quitAfterMs > 0) ::SetTimer(window->GetHWND(), 1, static_cast<UINT>(quitAfterMs), nullptr);
  const int code = DuiLib::CPaintManagerUI::MessageLoop();
  DuiLib::CPaintManagerUI::Term();
  return code;
}
