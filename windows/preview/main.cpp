// windows_preview: opens one of the small windows in a chosen state for screenshots, and
// keeps it open until killed. It prints "window <id>" once
// the window is shown; the id is the X11 window under xcb.
//
//   windows_preview MODE [--program-folder DIR] [--sms-codes FILE]
//
// Modes: splash, login, login-error, register, findpwd, register-success, reset-success,
// mycenter, about, feedback, feedback-tip, contactnote, msgwnd. The modes that talk to the
// server use the WebServer of DIR/sys.cfg; the success modes read their SMS code from FILE
// (the reference server's sms-codes.txt).
#include "app/Settings.h"
#include "app/Startup.h"
#include "platform/ui/UIlib.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "windows/ContactNoteDlg.h"
#include "windows/FeedBackWnd.h"
#include "windows/LoginFrameWnd.h"
#include "windows/MsgWnd.h"
#include "windows/MyCenterWnd.h"
#include "windows/SplashWndUI.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>

using namespace DuiLib;

namespace {

std::string g_smsCodes;

void Notify(WindowImplBase& window, const char* name, const char* type) {
  if (CControlUI* control = window.GetPaintManager().FindControl(name))
    window.GetPaintManager().SendNotify(control, type);
}
void Click(WindowImplBase& window, const char* name) {
  Notify(window, name, DUI_MSGTYPE_CLICK);
}
void Type(WindowImplBase& window, const char* name, const std::string& text) {
  Notify(window, name, DUI_MSGTYPE_SETFOCUS);
  if (CControlUI* control = window.GetPaintManager().FindControl(name))
    control->SetText(text.c_str());
  Notify(window, name, DUI_MSGTYPE_KILLFOCUS);
}

// The last code the server wrote for the phone; waits up to two seconds for it.
std::string SmsCode(const std::string& phone) {
  for (int attempt = 0; attempt < 40; ++attempt) {
    std::ifstream in(g_smsCodes);
    std::string line, code;
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::string linePhone, kind, lineCode;
      fields >> linePhone >> kind >> lineCode;
      if (linePhone == phone) code = lineCode;
    }
    if (!code.empty()) return code;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return "000000";
}

template <typename Window>
Window* Show(Window* window, int width, int height) {
  window->Create(nullptr, "Orvo客服-电商版", WS_POPUP | WS_VISIBLE, 0, 0, width, height);
  window->CenterWindow();
  return window;
}

CLoginFrameWnd* Login() {
  return Show(new CLoginFrameWnd(), 0, 0);
}

void SignInDemo() {
  CConnServer conn;
  if (conn.Login("13800000000", "demo1234") == 0) StoreSignInValues(conn);
}

const std::map<std::string, std::function<WindowImplBase*()>> kModes = {
    {"splash",
     [] {
       auto* splash = Show(new CSplashWndUI(), 0, 0);
       ::KillTimer(splash->GetHWND(), CSplashWndUI::kCheckTimer);  // stays for the picture
       return splash;
     }},
    {"login", [] { return Login(); }},
    {"login-error",
     [] {
       auto* login = Login();
       Type(*login, "password_edit", "wrong-password");
       Click(*login, "login_btn");
       return login;
     }},
    {"register",
     [] {
       auto* login = Login();
       Click(*login, "register_switch");
       Type(*login, "register_phone_edit", "13900001234");
       Type(*login, "register_company_edit", "杭州某某电商有限公司");
       return login;
     }},
    {"findpwd",
     [] {
       auto* login = Login();
       Click(*login, "forgetpwd_btn");
       Type(*login, "register_phone_edit", "13800000000");
       Click(*login, "getsms_btn");
       for (int i = 0; i < 12; ++i) login->SendMessage(WM_TIMER, kSmsCountdownTimer, 0);
       return login;
     }},
    {"register-success",
     [] {
       auto* login = Login();
       Click(*login, "register_switch");
       Type(*login, "register_phone_edit", "13900005678");
       Click(*login, "getsms_btn");
       Type(*login, "register_sms_edit", SmsCode("13900005678"));
       Type(*login, "register_password_edit", "preview-1");
       Type(*login, "register_repassword_edit", "preview-1");
       Click(*login, "register_btn");
       return login;
     }},
    {"reset-success",
     [] {
       auto* login = Login();
       Click(*login, "forgetpwd_btn");
       Type(*login, "register_phone_edit", "13800000000");
       Click(*login, "getsms_btn");
       Type(*login, "register_sms_edit", SmsCode("13800000000"));
       Type(*login, "register_password_edit", "demo1234");
       Type(*login, "register_repassword_edit", "demo1234");
       Click(*login, "register_btn");
       return login;
     }},
    {"mycenter",
     [] {
       auto* center = new CMyCenterWnd(CMyCenterWnd::kModifyPassword);
       center->m_strPhone = "13800000000";
       Show(center, 0, 0);
       Type(*center, "new_pwd_edit", "secret");
       Click(*center, "modify_password_btn");
       return center;
     }},
    {"about",
     [] {
       SignInDemo();
       auto* center = new CMyCenterWnd(CMyCenterWnd::kAboutUs);
       center->m_strAboutText = GetSignInValues().strAbout.c_str();
       return Show(center, 0, 0);
     }},
    {"feedback", [] { return Show(new CFeedBackWnd(), 0, 0); }},
    {"feedback-tip",
     [] {
       auto* feedback = Show(new CFeedBackWnd(), 0, 0);
       Type(*feedback, "feedback_richedit", "太短了");
       Click(*feedback, "feedback_okbtn");
       return feedback;
     }},
    {"contactnote", [] { return Show(new CContactNoteDlg("老客户 · 每周三补货"), 0, 0); }},
    {"msgwnd",
     [] {
       auto* tip = new CMsgWnd();
       tip->Create(nullptr, "Orvo客服-电商版", WS_POPUP | WS_VISIBLE, CMsgWnd::kExStyle);
       tip->ShowMessage(
           "今晚 23:00 至 23:30 服务器维护，期间快捷语无法同步。"
           "{a http://127.0.0.1/notice}查看详情{/a}");
       for (int i = 0; i < 60; ++i) tip->SendMessage(WM_TIMER, CMsgWnd::kFadeTimer, 0);
       return tip;
     }},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !kModes.count(argv[1])) {
    std::fprintf(stderr,
                 "usage: windows_preview MODE [--program-folder DIR] [--sms-codes FILE]\nmodes:");
    for (const auto& mode : kModes) std::fprintf(stderr, " %s", mode.first.c_str());
    std::fprintf(stderr, "\n");
    return 2;
  }
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--program-folder") SetProgramFolder(argv[i + 1]);
    if (option == "--sms-codes") g_smsCodes = argv[i + 1];
  }
  CPaintManagerUI::SetInstance(nullptr);
  PrepareFolders();
  WindowImplBase* window = kModes.at(argv[1])();
  if (!window || !window->GetHWND()) return 1;
  std::printf("window %lu\n", static_cast<unsigned long>(HandleToULong32(window->GetHWND())));
  std::fflush(stdout);
  CPaintManagerUI::MessageLoop();
  return 0;
}
