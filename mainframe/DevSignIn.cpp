#include "mainframe/DevSignIn.h"

#include "app/Settings.h"
#include "platform/log/Log.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"

#include <cstdlib>
#include <cstring>

bool IsDevSignInEnabled() {
  const char* value = std::getenv("TC_DEV_SIGNIN");
  return value && std::strcmp(value, "1") == 0;
}

bool DevSignIn() {
  TC_TRACE("::DevSignIn()");
  const CDuiString user = GetLastUser();
  CConnServer conn;
  if (user.IsEmpty() || conn.Login(user, GetUserPwd()) != 0) {
    TC_LOG(TC_LOG_ERROR, "development sign-in failed for \""
                             << user.str() << "\": " << conn.m_strResultMsg.str());
    return false;
  }
  StoreSignInValues(conn);
  TC_LOG(TC_LOG_INFO,
         "development sign-in as " << user.str() << ", quota " << conn.m_nWechatQuantity);
  return true;
}
