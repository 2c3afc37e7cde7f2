// Helpers for the control, builder and paint-manager tests: a Qt application, a manager
// without a window laid out at a given size, synthetic mouse input and a notification log.
#pragma once

#include "platform/ui/window/MessageLoop.h"
#include "platform/ui/UIlib.h"

#include <gtest/gtest.h>
#include <log4cplus/configurator.h>

#include <string>
#include <vector>

namespace uitest {

// The Qt application, and log lines on the console (the skin errors are worth seeing).
inline void EnsureApp() {
  static const bool configured = [] {
    log4cplus::BasicConfigurator config;
    config.configure();
    return true;
  }();
  (void)configured;
  DuiLib::InstallOwnWindowBackend();
}

// Records "type:sender" for every notification.
class CNotifyLog : public DuiLib::INotifyUI {
 public:
  void Notify(DuiLib::TNotifyUI& msg) override {
    std::string entry = msg.sType.str() + ":" + (msg.pSender ? msg.pSender->GetName().str() : "");
    entries.push_back(entry);
    last = msg;
  }
  // Entries of the given types only, in order.
  std::vector<std::string> Of(std::initializer_list<const char*> types) const {
    std::vector<std::string> out;
    for (const std::string& e : entries)
      for (const char* t : types)
        if (e.rfind(std::string(t) + ":", 0) == 0) out.push_back(e);
    return out;
  }
  std::vector<std::string> entries;
  DuiLib::TNotifyUI last;
};

// A manager without a window: the tree is laid out at cx × cy.
struct TDialog {
  DuiLib::CPaintManagerUI pm;
  CNotifyLog log;
  DuiLib::CControlUI* root = nullptr;

  bool Build(const char* xml, int cx = 400, int cy = 300,
             DuiLib::IDialogBuilderCallback* cb = nullptr) {
    EnsureApp();
    DuiLib::CDialogBuilder builder;
    root = builder.Create(xml, nullptr, cb, &pm);
    if (!root) return false;
    pm.AttachDialog(root);
    pm.AddNotifier(&log);
    pm.SetClientSize(cx, cy);
    pm.UpdateLayout();
    return true;
  }
  template <class T = DuiLib::CControlUI>
  T* Find(const char* name) {
    return static_cast<T*>(pm.FindControl(name));
  }
  void Mouse(UINT msg, int x, int y) {
    LRESULT result = 0;
    pm.MessageHandler(msg, 0, MAKELPARAM(x, y), result);
  }
  void Click(int x, int y) {
    Mouse(WM_MOUSEMOVE, x, y);
    Mouse(WM_LBUTTONDOWN, x, y);
    Mouse(WM_LBUTTONUP, x, y);
  }
  void ClickOn(DuiLib::CControlUI* control) {
    pm.UpdateLayout();
    const RECT& rc = control->GetPos();
    Click((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  }
  void DoubleClickOn(DuiLib::CControlUI* control) {
    pm.UpdateLayout();
    const RECT& rc = control->GetPos();
    const int x = (rc.left + rc.right) / 2, y = (rc.top + rc.bottom) / 2;
    Click(x, y);
    Mouse(WM_LBUTTONDBLCLK, x, y);
    Mouse(WM_LBUTTONUP, x, y);
  }
};

inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::string RectText(const RECT& rc) {
  return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) +
         "," + std::to_string(rc.bottom);
}

}  // namespace uitest
