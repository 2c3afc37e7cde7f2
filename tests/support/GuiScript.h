// Steps run one after another on the GUI thread from a timer of a hidden window of our own,
// so that they also run inside a modal loop that the test itself is blocked in (a modal
// editor opened by a menu command or a button). A step returns true when it is done; the
// next one runs at the following tick. Past the deadline the script stops, calls onTimeout
// (which should end the modal loop, for instance by closing its window) and reports the
// step it was stuck at, so that a fault never hangs the test.
#pragma once

#include "platform/ui/window/WindowWnd.h"
#include "platform/win32/Window.h"

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class CGuiScript : public DuiLib::CWindowWnd {
 public:
  using Step = std::function<bool()>;

  CGuiScript(std::vector<std::pair<std::string, Step>> steps, int deadlineMs,
             std::function<void()> onTimeout)
      : m_steps(std::move(steps)),
        m_deadline(std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs)),
        m_onTimeout(std::move(onTimeout)) {
    Create(nullptr, "gui script", 0, 0, 0, 0, 0, 0);
    ::SetTimer(GetHWND(), kTimer, 20, nullptr);
  }
  ~CGuiScript() override {
    if (::IsWindow(GetHWND())) ::DestroyWindow(GetHWND());
  }

  bool Finished() const { return m_next >= m_steps.size(); }
  // The step that did not finish in time or has not finished yet; empty when all did.
  std::string Unfinished() const {
    if (!m_stuck.empty()) return m_stuck;
    return Finished() ? std::string() : m_steps[m_next].first;
  }

  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_TIMER && wParam == kTimer) {
      Tick();
      return 0;
    }
    return DuiLib::CWindowWnd::HandleMessage(msg, wParam, lParam);
  }

 protected:
  LPCTSTR GetWindowClassName() const override { return "TestGuiScript"; }

 private:
  static constexpr UINT_PTR kTimer = 1;

  void Tick() {
    if (m_running || Finished()) return;  // a step may pump events itself
    if (std::chrono::steady_clock::now() > m_deadline) {
      m_stuck = m_steps[m_next].first;
      m_next = m_steps.size();
      ::KillTimer(GetHWND(), kTimer);
      if (m_onTimeout) m_onTimeout();
      return;
    }
    m_running = true;
    if (m_steps[m_next].second()) ++m_next;
    m_running = false;
    if (Finished()) ::KillTimer(GetHWND(), kTimer);
  }

  std::vector<std::pair<std::string, Step>> m_steps;
  size_t m_next = 0;
  bool m_running = false;
  std::chrono::steady_clock::time_point m_deadline;
  std::function<void()> m_onTimeout;
  std::string m_stuck;
};

}  // namespace testing_support
