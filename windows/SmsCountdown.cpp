#include "windows/SmsCountdown.h"

#include <string>

using namespace DuiLib;

namespace {

constexpr UINT kTickMs = 1000;

std::string secondsText(int seconds) {
  return std::to_string(seconds) + "s重新发送";
}

}  // namespace

void CSmsCountdown::Start() {
  m_nSmsCountdown = kSeconds;
  ShowButton(secondsText(kSeconds).c_str(), false);
  ::SetTimer(m_manager.GetPaintWindow(), kSmsCountdownTimer, kTickMs, nullptr);
}

void CSmsCountdown::Stop() {
  ::KillTimer(m_manager.GetPaintWindow(), kSmsCountdownTimer);
  m_nSmsCountdown = 0;
  ShowButton(kButtonText, true);
}

void CSmsCountdown::Step() {
  --m_nSmsCountdown;
  if (m_nSmsCountdown < 1) {
    // The timer stops with the countdown rather than ticking for the window's whole life.
    ::KillTimer(m_manager.GetPaintWindow(), kSmsCountdownTimer);
    ShowButton(kButtonText, true);
    return;
  }
  ShowButton(secondsText(m_nSmsCountdown).c_str(), false);
}

bool CSmsCountdown::OnMessage(UINT uMsg, WPARAM wParam) {
  if (uMsg != WM_TIMER || wParam != kSmsCountdownTimer) return false;
  Step();
  return true;
}

void CSmsCountdown::ShowButton(const char* text, bool enabled) {
  CControlUI* button = m_manager.FindControl(m_sButton.c_str());
  if (!button) return;
  button->SetText(text);
  button->SetEnabled(enabled);
}
