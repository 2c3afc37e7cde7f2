// Own
#include "platform/ui/window/OwnWindowSystem_p.h"

// Project
#include "platform/ui/window/MessageLoop_p.h"
#include "platform/ui/window/OwnWindows_p.h"
#include "platform/ui/window/WindowHost_p.h"

// Qt
#include <QApplication>
#include <QCursor>

namespace DuiLib {
namespace {

class COwnWindowSystem final : public IWindowSystem {
 public:
  void Install() override { InstallOwnWindowBackend(); }
  int RunMessageLoop() override { return DuiLib::RunMessageLoop(); }
  void SetPreTranslateHook(bool (*hook)(const MSG* msg)) override {
    DuiLib::SetPreTranslateHook(hook);
  }
  bool IsGuiThread() override { return DuiLib::IsGuiThread(); }
  void Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
    QueueMessage(hwnd, msg, wParam, lParam);
  }

  CWindowWnd* FromHandle(HWND hwnd) override { return CWindowWnd::FromHandle(hwnd); }
  QWidget* Widget(CWindowWnd* window) override { return window->GetWidget(); }
  QPainter* Painter(CWindowWnd* window) override { return window->GetPainter(); }
  void ResizeClient(CWindowWnd* window, int cx, int cy) override { window->ResizeClient(cx, cy); }
  void SetOpacity(CWindowWnd* window, BYTE alpha) override { window->SetOpacity(alpha); }

  QWidget* HostWidget(HWND hwnd) override { return COwnWindows::Instance().Host(hwnd); }
  bool IsInputEnabled(HWND hwnd) override {
    CWindowHost* host = COwnWindows::Instance().Host(hwnd);
    return host && host->IsInputEnabled();
  }
  void SetInputEnabled(HWND hwnd, bool enable) override {
    if (CWindowHost* host = COwnWindows::Instance().Host(hwnd)) host->SetEnabledState(enable);
  }
  QWidget* MouseWidget() override {
    CWindowHost* host = CurrentMouseHost();
    return host ? host : HostOf(QApplication::widgetAt(QCursor::pos()));
  }
};

}  // namespace

IWindowSystem& OwnWindowSystem() {
  static COwnWindowSystem system;
  return system;
}

}  // namespace DuiLib
