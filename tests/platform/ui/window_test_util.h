// A recording window for the window, message, desktop and shadow tests.
#pragma once

#include "platform/ui/window/WindowWnd.h"
#include "platform/ui/window/MessageLoop.h"
#include "platform/win32/Window.h"
#include "tests/support/GuiWait.h"

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace uitest {

struct TMessage {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// Records every message; `handler` may answer one (return true = handled, result in *result).
class CRecordingWnd : public DuiLib::CWindowWnd {
 public:
  using Handler = std::function<bool(CRecordingWnd&, UINT, WPARAM, LPARAM, LRESULT*)>;

  explicit CRecordingWnd(const char* className = "TestWnd", UINT classStyle = CS_DBLCLKS)
      : m_className(className), m_classStyle(classStyle) {}

  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    messages.push_back({msg, wParam, lParam});
    LRESULT result = 0;
    if (handler && handler(*this, msg, wParam, lParam, &result)) return result;
    return DuiLib::CWindowWnd::HandleMessage(msg, wParam, lParam);
  }

  std::vector<TMessage> Only(UINT msg) const {
    std::vector<TMessage> result;
    for (const TMessage& m : messages)
      if (m.msg == msg) result.push_back(m);
    return result;
  }
  int Count(UINT msg) const { return static_cast<int>(Only(msg).size()); }
  // Index of the first msg in the record, -1 when absent.
  int IndexOf(UINT msg) const {
    for (size_t i = 0; i < messages.size(); ++i)
      if (messages[i].msg == msg) return static_cast<int>(i);
    return -1;
  }

  std::vector<TMessage> messages;
  Handler handler;
  std::function<void(HWND)> onFinal;

 protected:
  LPCTSTR GetWindowClassName() const override { return m_className; }
  UINT GetClassStyle() const override { return m_classStyle; }
  void OnFinalMessage(HWND hWnd) override {
    if (onFinal) onFinal(hWnd);
  }

 private:
  const char* m_className;
  UINT m_classStyle;
};

inline win32::OwnWindowBackend& Backend() {
  DuiLib::InstallOwnWindowBackend();
  return *win32::GetOwnWindowBackend();
}

// Runs the GUI thread's events until done() or the time is up; short rests, since the
// window tests wait for many small steps.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  return testing_support::PumpUntil(done, timeoutMs, std::chrono::microseconds(200));
}

}  // namespace uitest
