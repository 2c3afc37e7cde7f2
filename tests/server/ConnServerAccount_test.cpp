// Account operations: what each reads from a reply and what it leaves in the members.
#include "server/ConnServer.h"
#include "server/SignInValues.h"

#include "tests/server/CannedServer.h"

#include <gtest/gtest.h>

namespace {

class AccountTest : public CServerTest {};

TEST_F(AccountTest, LoginReadsEverySignInValue) {
  m_server.Reply(R"({"resultCode":1,"resultMsg":"登录成功","obj":{"about":"关于我们",
        "notice":"公告","website":"http://w.example/","qq":"12345","wechatQuantity":8,
        "logintoken":"T-1"}})");
  CConnServer conn;
  EXPECT_EQ(conn.Login("13800000000", "pw"), 0);
  EXPECT_EQ(conn.m_nResultCode, 1);
  EXPECT_EQ(conn.m_strResultMsg, "登录成功");
  EXPECT_EQ(conn.m_strAbout, "关于我们");
  EXPECT_EQ(conn.m_strNotice, "公告");
  EXPECT_EQ(conn.m_strWebsite, "http://w.example/");
  EXPECT_EQ(conn.m_strQQ, "12345");
  EXPECT_EQ(conn.m_nWechatQuantity, 8);
  EXPECT_EQ(conn.m_strLoginToken, "T-1");
  EXPECT_EQ(conn.m_strObj, "");
}

TEST_F(AccountTest, LoginWithoutObjKeepsDefaults) {
  m_server.Reply(R"({"resultCode":1})");
  CConnServer conn;
  conn.m_strLoginToken = "old";
  conn.m_nWechatQuantity = 3;
  EXPECT_EQ(conn.Login("1", "2"), 0);
  EXPECT_EQ(conn.m_nWechatQuantity, 10);
  EXPECT_EQ(conn.m_strWebsite, CConnServer::kVendorWebsite);
  EXPECT_EQ(conn.m_strQQ, CConnServer::kVendorSupportQQ);
  EXPECT_EQ(conn.m_strLoginToken, "");
}

TEST_F(AccountTest, LoginObjWithMissingMembersGivesEmptyAndZero) {
  m_server.Reply(R"({"resultCode":1,"obj":{"logintoken":"T","website":null}})");
  CConnServer conn;
  EXPECT_EQ(conn.Login("1", "2"), 0);
  EXPECT_EQ(conn.m_nWechatQuantity, 0);
  EXPECT_EQ(conn.m_strWebsite, "");
  EXPECT_EQ(conn.m_strQQ, "");
  EXPECT_EQ(conn.m_strLoginToken, "T");
}

TEST_F(AccountTest, LoginFailureKeepsObjText) {
  m_server.Reply(R"({"resultCode":0,"resultMsg":"密码错误","obj":"剩余 2 次"})");
  CConnServer conn;
  EXPECT_EQ(conn.Login("1", "2"), -2);
  EXPECT_EQ(conn.m_strResultMsg, "密码错误");
  EXPECT_EQ(conn.m_strObj, "剩余 2 次");
  EXPECT_EQ(conn.m_nWechatQuantity, 10);
}

TEST_F(AccountTest, LoginWithBadObjIsUnreadableAndKeepsResetValues) {
  for (const char* reply : {R"({"resultCode":1,"obj":"token"})",
                            R"({"resultCode":1,"obj":{"wechatQuantity":"8","logintoken":"T"}})",
                            R"({"resultCode":1,"obj":{"logintoken":7}})"}) {
    m_server.Reply(reply);
    CConnServer conn;
    conn.m_strLoginToken = "stale";
    EXPECT_EQ(conn.Login("1", "2"), -2) << reply;
    EXPECT_EQ(conn.m_strResultMsg, "登录失败, 服务器返回数据解析不一致.");
    EXPECT_EQ(conn.m_nResultCode, 0);
    EXPECT_EQ(conn.m_strLoginToken, "");
    EXPECT_EQ(conn.m_nWechatQuantity, 10);
  }
}

TEST_F(AccountTest, FailedLoginTransferChangesOnlyTheMessage) {
  UseWebServer("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  CConnServer conn;
  conn.m_nResultCode = 1;
  conn.m_strLoginToken = "kept";
  conn.m_nWechatQuantity = 3;
  EXPECT_EQ(conn.Login("1", "2"), -1);
  EXPECT_EQ(conn.m_strResultMsg, "登录失败, 请检查网络.");
  EXPECT_EQ(conn.m_nResultCode, 1);
  EXPECT_EQ(conn.m_strLoginToken, "kept");
  EXPECT_EQ(conn.m_nWechatQuantity, 3);
}

TEST_F(AccountTest, ReplyCutShortIsFailedTransfer) {
  CRawReplyServer cut("HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n{\"resultCode\":1");
  UseWebServer("http://127.0.0.1:" + std::to_string(cut.Port()) + "/");
  WriteFile(UserFolder() + "Login.dat", "previous");
  CConnServer conn;
  EXPECT_EQ(conn.Login("1", "2"), -1);
  EXPECT_EQ(conn.m_strResultMsg, "登录失败, 请检查网络.");
  EXPECT_EQ(ReadFile(UserFolder() + "Login.dat"), "previous");
}

TEST_F(AccountTest, ValueThatIsNotTextSendsNothing) {
  CConnServer conn;
  EXPECT_EQ(conn.Login("1", std::string("\xc3\x28", 2)), -1);
  EXPECT_EQ(conn.m_strResultMsg, "登录失败, 请求数据错误.");
  EXPECT_EQ(m_server.Count(), 0u);
}

TEST_F(AccountTest, ResetOperationsStartFromCodeZero) {
  m_server.Reply(R"({"resultCode":1})");
  CConnServer conn;
  EXPECT_EQ(conn.Login("1", "2"), 0);
  m_server.Reply(R"({"resultMsg":"no code"})");
  EXPECT_EQ(conn.Register("1", "2", "3", "4", "5"), -2);
  EXPECT_EQ(conn.m_nResultCode, 0);
  EXPECT_EQ(conn.m_strResultMsg, "no code");
}

TEST_F(AccountTest, SmsResultIsTheServerCode) {
  CConnServer conn;
  m_server.Reply(R"({"resultCode":5,"resultMsg":"太频繁"})");
  EXPECT_EQ(conn.GetSMS("1", true), 5);
  EXPECT_EQ(conn.m_strResultMsg, "太频繁");
  m_server.Reply(R"({"resultCode":1})");
  EXPECT_EQ(conn.GetSMS("1", false), 1);
  m_server.Reply(R"({"resultMsg":"no code"})");
  EXPECT_EQ(conn.GetSMS("1", false), -1);
  EXPECT_EQ(conn.m_nResultCode, 1) << "GetSMS resets nothing";
}

TEST_F(AccountTest, RegisterKeepsParamsOnlyOnFailure) {
  CConnServer conn;
  m_server.Reply(R"({"resultCode":1,"params":"ok-params"})");
  EXPECT_EQ(conn.Register("1", "2", "3", "4", "5"), 0);
  EXPECT_EQ(conn.m_strObj, "");
  m_server.Reply(R"({"resultCode":2,"resultMsg":"验证码错误","params":"sms"})");
  EXPECT_EQ(conn.Register("1", "2", "3", "4", "5"), -2);
  EXPECT_EQ(conn.m_strObj, "sms");
}

TEST_F(AccountTest, ResetPwdKeepsParamsAlways) {
  CConnServer conn;
  m_server.Reply(R"({"resultCode":1,"params":"已重置"})");
  EXPECT_EQ(conn.ResetPwd("1", "2", "3"), 0);
  EXPECT_EQ(conn.m_strObj, "已重置");
  m_server.Reply(R"({"resultCode":0,"params":"失败"})");
  EXPECT_EQ(conn.ResetPwd("1", "2", "3"), -2);
  EXPECT_EQ(conn.m_strObj, "失败");
}

TEST_F(AccountTest, PhoneWithAmpersandArrivesWhole) {
  m_server.Reply(R"({"resultCode":1})");
  CConnServer conn;
  conn.Login("138&password=x", "a b+c");
  const TReceived got = m_server.Last();
  EXPECT_EQ(got.params.count("password"), 1u);
  EXPECT_EQ(got.params.find("phone")->second, "138&password=x");
  EXPECT_EQ(got.params.find("password")->second, "a b+c");
}

TEST(SignInValuesTest, StartWithVendorDefaultsAndTakeLoginMembers) {
  const TSignInValues initial = InitialSignInValues();
  EXPECT_EQ(initial.nWechatQuantity, 15);
  EXPECT_EQ(initial.strWebsite, CConnServer::kVendorWebsite);
  EXPECT_EQ(initial.strQQ, CConnServer::kVendorSupportQQ);
  EXPECT_EQ(initial.strLoginToken, "");
  EXPECT_EQ(GetWechatQuantity(), 15);

  CConnServer conn;
  conn.m_strAbout = "a";
  conn.m_strNotice = "n";
  conn.m_strWebsite = "w";
  conn.m_strQQ = "q";
  conn.m_nWechatQuantity = 4;
  conn.m_strLoginToken = "t";
  StoreSignInValues(conn);
  const TSignInValues stored = GetSignInValues();
  EXPECT_EQ(stored.strAbout, "a");
  EXPECT_EQ(stored.strNotice, "n");
  EXPECT_EQ(stored.strWebsite, "w");
  EXPECT_EQ(stored.strQQ, "q");
  EXPECT_EQ(GetWechatQuantity(), 4);
  EXPECT_EQ(GetLoginToken(), "t");
}

}  // namespace
