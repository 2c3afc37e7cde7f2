// Account requests: SMS codes, registration, login, password reset.
#include "refserver/RefServer.h"

namespace refserver {

void CRefServer::RegisterAccountRoutes() {
  AddFormRoute("account/register/code.do", {"phone"}, [this](const CFormCall& call) {
    const std::string& phone = call.Require("phone");
    RecordSmsCode(phone, ESmsPurpose::Register,
                  m_accounts.IssueSmsCode(phone, ESmsPurpose::Register));
    return Json::Value(Json::objectValue);
  });
  AddFormRoute("account/findpasswd/code.do", {"phone"}, [this](const CFormCall& call) {
    const std::string& phone = call.Require("phone");
    RecordSmsCode(phone, ESmsPurpose::ResetPassword,
                  m_accounts.IssueSmsCode(phone, ESmsPurpose::ResetPassword));
    return Json::Value(Json::objectValue);
  });
  AddFormRoute("account/register.do", {"phone", "password", "company", "contactName", "sms"},
               [this](const CFormCall& call) {
                 // Company and contact are optional in the client's form: sent, maybe empty.
                 m_accounts.Register(call.Require("phone"), call.Require("password"),
                                     call.RequirePresent("company"),
                                     call.RequirePresent("contactName"), call.Require("sms"));
                 Json::Value members(Json::objectValue);
                 members["params"] = "";
                 return members;
               });
  AddFormRoute("account/login.do", {"phone", "password"},
               [this](const CFormCall& call) { return Login(call); });
  AddFormRoute("account/findpasswd/reset.do", {"phone", "password", "sms"},
               [this](const CFormCall& call) {
                 m_accounts.ResetPassword(call.Require("phone"), call.Require("password"),
                                          call.Require("sms"));
                 Json::Value members(Json::objectValue);
                 members["params"] = "";
                 return members;
               });
}

Json::Value CRefServer::Login(const CFormCall& call) {
  const TLoginResult login = m_accounts.Login(call.Require("phone"), call.Require("password"));
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
