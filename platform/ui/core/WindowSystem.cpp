// Own
#include "platform/ui/core/WindowSystem_p.h"

namespace DuiLib {
namespace {

// Constant-initialised, so a registration made during static initialisation of another
// file is never overwritten.
IWindowSystem* s_pWindowSystem = nullptr;

class CNoWindows final : public IWindowSystem {
 public:
  void Install() override {}
  int RunMessageLoop() override { return 0; }
  void SetPreTranslateHook(bool (*)(const MSG*)) override {}
  bool IsGuiThread() override { return false; }
  void Post(HWND, UINT, WPARAM, LPARAM) override {}
  CWindowWnd* FromHandle(HWND) override { return nullptr; }
  QWidget* Widget(CWindowWnd*) override { return nullptr; }
  QPainter* Painter(CWindowWnd*) override { return nullptr; }
  void ResizeClient(CWindowWnd*, int, int) override {}
  void SetOpacity(CWindowWnd*, BYTE) override {}
  QWidget* HostWidget(HWND) override { return nullptr; }
  bool IsInputEnabled(HWND) override { return false; }
  void SetInputEnabled(HWND, bool) override {}
  QWidget* MouseWidget() override { return nullptr; }
};

}  // namespace

void SetWindowSystem(IWindowSystem* system) {
  s_pWindowSystem = system;
}

IWindowSystem& WindowSystem() {
  static CNoWindows noWindows;
  return s_pWindowSystem ? *s_pWindowSystem : noWindows;
}

}  // namespace DuiLib
