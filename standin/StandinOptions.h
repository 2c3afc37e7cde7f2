// What a stand-in copy is told to do. Every option can come from the command line or, for
// copies started without arguments (as the workbench starts the client), from the
// environment variable named beside it.
#pragma once

#include <string>

namespace standin {

struct TStandinOptions {
  std::string strAccount;   // --account, TC_STANDIN_ACCOUNT (default wxid_standin_<pid>)
  std::string strNickname;  // --nickname, TC_STANDIN_NICKNAME (default "Stand-in <pid>")
  std::string strAvatar;    // --avatar, TC_STANDIN_AVATAR
  std::string strKey40;     // --key40, TC_STANDIN_KEY40 (default 32 hex digits from the id)
  // --accounts, TC_STANDIN_ACCOUNTS: a file of "id<TAB>nickname<TAB>avatar" lines; each copy
  // takes the next line (a counter file beside it hands them out).
  std::string strAccountsFile;
  std::string strDataRoot;    // --data-root, TC_STANDIN_DATA_ROOT (default: documents folder)
  std::string strTranscript;  // --transcript, TC_STANDIN_TRANSCRIPT ("%p" becomes the pid)
  int nLoginDelayMs =
      -1;  // --login-delay, TC_STANDIN_LOGIN_DELAY (-1: wait for the button; first login only)
  int nLogoutAfterMs = -1;  // --logout-after, TC_STANDIN_LOGOUT_AFTER
  int nExitAfterMs = -1;    // --exit-after, TC_STANDIN_EXIT_AFTER
  int nLoginWidth = 300;    // --login-size WxH, TC_STANDIN_LOGIN_SIZE
  int nLoginHeight = 400;
  int nMainWidth = 700;  // --main-size WxH, TC_STANDIN_MAIN_SIZE
  int nMainHeight = 500;
  // A slow or busy client. --paste-delay, TC_STANDIN_PASTE_DELAY: the event loop stalls this
  // long on Ctrl+V before the clipboard is fetched. --stall-max, TC_STANDIN_STALL_MAX: the
  // event loop stalls now and then (every 50-500 ms) for a random time up to this.
  // --login-time, TC_STANDIN_LOGIN_TIME: the main window comes this long after the login.
  int nPasteDelayMs = 0;
  int nStallMaxMs = 0;
  int nLoginTimeMs = 0;
  bool bRegister = true;     // --no-register, TC_STANDIN_NO_REGISTER=1
  std::string strHashImage;  // --hash-image PATH: print "W H sha256" of a picture and exit
  bool bInstall = false;     // --install: register this program as the client and exit
};

// Reads the options (command line over environment); false with a message on bad input.
bool ParseOptions(int argc, char** argv, TStandinOptions& options, std::string& error);
// Fills the account fields from the accounts file, when one is named.
void TakeAccountFromFile(TStandinOptions& options);

}  // namespace standin
