// Account requests: SMS codes, registration, login, password reset.
#include "refserver/RefServer.h"

#include "refserver/ApiError.h"

namespace refserver {

namespace {

Json::Value emptyParams() {
  Json::Value members(Json::objectValue);
  members["params"] = "";
  return members;
}

}  // namespace

void CRefServer::RegisterAccountRoutes() {
  AddFormRoute("account/register/code.do", {"phone"},
               [this](const CFormCall& call) { return IssueSmsCode(call, ESmsPurpose::Register); });
  AddFormRoute("account/findpasswd/code.do", {"phone"}, [this](const CFormCall& call) {
    return IssueSmsCode(call, ESmsPurpose::ResetPassword);
  });
  AddFormRoute("account/register.do", {"phone", "password", "company", "contactName", "sms"},
               [this](const CFormCall& call) {
                 // Company and contact are optional in the client's form: sent, maybe empty.
                 m_accounts.Register(call.Require("phone"), call.Require("password"),
                                     call.RequirePresent("company"),
                                     call.RequirePresent("contactName"), call.Require("sms"),
                                     call.Client());
                 return emptyParams();
               });
  AddFormRoute("account/login.do", {"phone", "password"},
               [this](const CFormCall& call) { return Login(call); });
  AddFormRoute("account/findpasswd/reset.do", {"phone", "password", "sms"},
               [this](const CFormCall& call) {
                 m_accounts.ResetPassword(call.Require("phone"), call.Require("password"),
                                          call.Require("sms"), call.Client());
                 return emptyParams();
               });
}

// The reply is the same whether or not a code was made: a registered phone gets no
// registration code, an unknown one no reset code, and neither learns which it is.
Json::Value CRefServer::IssueSmsCode(const CFormCall& call, ESmsPurpose purpose) {
  const std::string& phone = call.Require("phone");
  CAccountStore::CheckPhone(phone);
  if (!m_smsPerAddress.Allow(call.Client())) throw CApiError(RC_TOO_FREQUENT, phone);
  m_accounts.IssueSmsCode(phone, purpose, [&](const std::string& code, bool made) {
    RecordSmsCode(phone, purpose, code, made);
  });
  return Json::Value(Json::objectValue);
}

Json::Value CRefServer::Login(const CFormCall& call) {
  const TLoginResult login =
      m_accounts.Login(call.Require("phone"), call.Require("password"), call.Client());
  Json::Value obj(Json::objectValue);
  obj["about"] = m_options.sAbout;
  obj["notice"] = m_options.sNotice;
  obj["website"] = m_options.sWebsite;
  obj["qq"] = m_options.sQQ;
  obj["wechatQuantity"] = login.nWechatQuantity;
  obj["logintoken"] = login.sToken;
  Json::Value members(Json::objectValue);
  members["obj"] = obj;
  return members;
}

}  // namespace refserver
