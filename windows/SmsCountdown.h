// The re-send delay of an SMS code button ("getsms_btn"): pressed, it reads "59s重新发送"
// and stays disabled while timer 1 of its window counts down once a second; at the end it
// reads "获取短信码" again and can be pressed.
#pragma once

#include "platform/ui/UIlib.h"

inline constexpr UINT_PTR kSmsCountdownTimer = 1;

class CSmsCountdown {
 public:
  static constexpr int kSeconds = 59;
  static constexpr const char* kButtonText = "获取短信码";

  // The button is looked up by name in the window's paint manager at each step, so that a
  // skin without it only loses the countdown's looks.
  CSmsCountdown(DuiLib::CPaintManagerUI& manager, const char* buttonName)
      : m_manager(manager), m_sButton(buttonName) {}

  // Disables the button, shows 59 seconds and starts the window's timer 1 (1000 ms).
  void Start();
  // Kills the timer and gives the button back.
  void Stop();
  // One timer tick: counts down; below 1 the button is usable again.
  void Step();
  // Steps when the message is this countdown's timer; false for any other message.
  bool OnMessage(UINT uMsg, WPARAM wParam);
  int Remaining() const { return m_nSmsCountdown; }

 private:
  void ShowButton(const char* text, bool enabled);

  DuiLib::CPaintManagerUI& m_manager;
  std::string m_sButton;
  int m_nSmsCountdown = 0;
};
