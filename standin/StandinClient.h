// The stand-in client: a login window of class "WeChatLoginWndForPC" until it "logs in",
// then a main window of class "WeChatMainWndForPC" with a message box at the point the
// workbench clicks (width - 120, height - 56). In the main window Ctrl+A, Delete and
// Ctrl+V (text and pictures) edit the box, typed characters go into it, and Alt+S sends:
// the content is appended to the transcript and the box is emptied; Return sends too and
// Ctrl+Return starts a new line, as in the chat client. Options make it a slow or busy
// client (StandinOptions.h). Logging in writes the
// account files; logging out destroys the main window and shows a new login window.
#pragma once

#include "standin/StandinOptions.h"
#include "standin/Transcript.h"

#include <memory>
#include <random>

class QWidget;

namespace standin {

class CMessageBox;

class CStandinClient {
 public:
  explicit CStandinClient(TStandinOptions options);
  ~CStandinClient();

  void Start();  // shows the login window and arms the timers
  void LogIn();
  void LogOut();
  void Send();

 private:
  // automaticLogin: log in after the login delay of the options (the first window only).
  void showLoginWindow(bool automaticLogin);
  void showMainWindow();
  void finishLogIn();
  // The next stall of the event loop of a busy client (--stall-max).
  void scheduleStall();

  TStandinOptions m_options;
  CTranscript m_transcript;
  std::unique_ptr<QWidget> m_pLoginWindow;
  std::unique_ptr<QWidget> m_pMainWindow;
  CMessageBox* m_pMessageBox = nullptr;
  bool m_bLoggingIn = false;
  std::mt19937 m_random;
};

// Sets the class part of the window's WM_CLASS (Qt gives every window the same one).
void SetWindowClass(QWidget* window, const char* className);

}  // namespace standin
