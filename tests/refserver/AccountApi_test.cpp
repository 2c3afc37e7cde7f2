// The account flow over HTTP: SMS codes, registration, login, password reset, tokens.
#include "RefServerHarness.h"

#include <gtest/gtest.h>

#include <chrono>

namespace refserver::test {
namespace {

constexpr const char* kPhone = "13900001111";

int codeOf(const Json::Value& reply) {
  return reply["resultCode"].asInt();
}

class RefServerAccounts : public testing::Test {
 protected:
  CTestServer m_server;
  CApiClient m_client = m_server.Client();

  Json::Value Register(const std::string& phone, const std::string& password,
                       const std::string& sms) {
    return m_client.Post("account/register.do",
                         "phone=" + phone + "&password=" + Encode(password) + "&company=" +
                             Encode("某某商贸") + "&contactName=" + Encode("张三") + "&sms=" + sms);
  }
  Json::Value Reset(const std::string& phone, const std::string& password, const std::string& sms) {
    return m_client.Post("account/findpasswd/reset.do",
                         "phone=" + phone + "&password=" + Encode(password) + "&sms=" + sms);
  }
  Json::Value LoginReply(const std::string& phone, const std::string& password) {
    return m_client.Post("account/login.do", "phone=" + phone + "&password=" + Encode(password));
  }
  std::string RequestCode(const char* path, const std::string& phone) {
    EXPECT_EQ(codeOf(m_client.Post(path, "phone=" + phone)), 1);
    return m_client.ReadSmsCode(m_server.DataDir(), phone);
  }
};

TEST_F(RefServerAccounts, WholeFlowFromRegistrationToLoginWithTheNewPassword) {
  const std::string code = RequestCode("account/register/code.do", kPhone);
  const Json::Value registered = Register(kPhone, "first pass&=+", code);
  ASSERT_EQ(codeOf(registered), 1) << registered.toStyledString();
  EXPECT_EQ(registered["params"].asString(), "");

  const Json::Value login = LoginReply(kPhone, "first pass&=+");
  ASSERT_EQ(codeOf(login), 1);
  const Json::Value& obj = login["obj"];
  for (const char* key : {"about", "notice", "website", "qq", "logintoken"})
    EXPECT_TRUE(obj[key].isString()) << key;
  EXPECT_EQ(obj["wechatQuantity"].asInt(), 10);
  EXPECT_EQ(obj["logintoken"].asString().size(), 32u);
  const std::string oldToken = obj["logintoken"].asString();

  const Json::Value wrong = LoginReply(kPhone, "first pass");
  EXPECT_NE(codeOf(wrong), 1);
  EXPECT_EQ(wrong["resultMsg"].asString(), "手机号或密码错误");

  const std::string resetCode = RequestCode("account/findpasswd/code.do", kPhone);
  ASSERT_EQ(codeOf(Reset(kPhone, "新密码12345678", resetCode)), 1);
  EXPECT_NE(codeOf(LoginReply(kPhone, "first pass&=+")), 1);
  EXPECT_EQ(codeOf(LoginReply(kPhone, "新密码12345678")), 1);
  // A reset revokes the tokens handed out before it.
  EXPECT_EQ(codeOf(m_client.Post("quickMessage/list.do", "tokenId=" + oldToken)), 3001);
}

TEST_F(RefServerAccounts, SmsCodeIsSingleUse) {
  const std::string code = RequestCode("account/register/code.do", kPhone);
  ASSERT_EQ(codeOf(Register(kPhone, "pw-12345", code)), 1);
  const std::string resetCode = RequestCode("account/findpasswd/code.do", kPhone);
  ASSERT_EQ(codeOf(Reset(kPhone, "pw2-12345", resetCode)), 1);
  const Json::Value again = Reset(kPhone, "pw3-12345", resetCode);
  EXPECT_EQ(codeOf(again), 2004);
  EXPECT_EQ(again["resultMsg"].asString(), "短信验证码错误或已过期");
  EXPECT_EQ(codeOf(LoginReply(kPhone, "pw2-12345")), 1);
}

TEST_F(RefServerAccounts, CodeForOnePurposeDoesNotServeTheOther) {
  RequestCode("account/register/code.do", kPhone);
  const std::string code = m_client.ReadSmsCode(m_server.DataDir(), kPhone);
  ASSERT_EQ(codeOf(Register(kPhone, "pw-12345", code)), 1);
  EXPECT_EQ(codeOf(Reset(kPhone, "other-pass", code)), 2004);
}

TEST_F(RefServerAccounts, FiveWrongGuessesVoidTheCode) {
  const std::string code = RequestCode("account/register/code.do", kPhone);
  const std::string wrong = code == "000000" ? "111111" : "000000";
  for (int i = 0; i < 5; ++i) EXPECT_EQ(codeOf(Register(kPhone, "pw-12345", wrong)), 2004);
  EXPECT_EQ(codeOf(Register(kPhone, "pw-12345", code)), 2004);
  EXPECT_NE(codeOf(LoginReply(kPhone, "pw-12345")), 1);
}

TEST_F(RefServerAccounts, NewCodeReplacesTheOldOne) {
  const std::string first = RequestCode("account/register/code.do", kPhone);
  // A new code equals the old one by chance once in a million: ask again, a bounded number
  // of times.
  std::string second = RequestCode("account/register/code.do", kPhone);
  for (int tries = 1; second == first && tries < 20; ++tries)
    second = RequestCode("account/register/code.do", kPhone);
  ASSERT_NE(second, first);
  EXPECT_EQ(codeOf(Register(kPhone, "pw-12345", first)), 2004);
  EXPECT_EQ(codeOf(Register(kPhone, "pw-12345", second)), 1);
}

TEST_F(RefServerAccounts, PhoneRulesForCodes) {
  EXPECT_EQ(codeOf(m_client.Post("account/register/code.do", "phone=12ab")), 1003);
  EXPECT_EQ(codeOf(m_client.Post("account/register/code.do", "phone=")), 1001);
  EXPECT_EQ(codeOf(m_client.Post("account/findpasswd/code.do", "phone=+86")), 1003);
}

TEST_F(RefServerAccounts, MissingFieldsNameTheFieldAndStoreNothing) {
  const std::string code = RequestCode("account/register/code.do", kPhone);
  const Json::Value reply =
      m_client.Post("account/register.do",
                    std::string("phone=") + kPhone + "&password=pw-12345&company=c&sms=" + code);
  EXPECT_EQ(codeOf(reply), 1001);
  EXPECT_EQ(reply["resultMsg"].asString(), "缺少必填参数");
  EXPECT_EQ(reply["params"].asString(), "contactName");
  EXPECT_EQ(reply["obj"].asString(), "contactName");
  EXPECT_NE(codeOf(LoginReply(kPhone, "pw-12345")), 1);
  // The code was not spent on the refused request.
  EXPECT_EQ(codeOf(Register(kPhone, "pw-12345", code)), 1);
  EXPECT_EQ(codeOf(m_client.Post("account/login.do", std::string("phone=") + kPhone)), 1001);
}

TEST_F(RefServerAccounts, CompanyAndContactMayBeEmpty) {
  const std::string code = RequestCode("account/register/code.do", kPhone);
  const Json::Value reply = m_client.Post(
      "account/register.do",
      std::string("phone=") + kPhone + "&password=pw-12345&company=&contactName=&sms=" + code);
  EXPECT_EQ(codeOf(reply), 1) << reply["resultMsg"].asString();
  EXPECT_EQ(codeOf(LoginReply(kPhone, "pw-12345")), 1);
}

TEST_F(RefServerAccounts, UnknownPhoneAndWrongPasswordLookTheSame) {
  const Json::Value unknown = LoginReply("13000000000", "x");
  const std::string code = RequestCode("account/register/code.do", kPhone);
  ASSERT_EQ(codeOf(Register(kPhone, "pw-12345", code)), 1);
  const Json::Value wrong = LoginReply(kPhone, "x");
  EXPECT_EQ(codeOf(unknown), codeOf(wrong));
  EXPECT_EQ(unknown["resultMsg"], wrong["resultMsg"]);
}

TEST_F(RefServerAccounts, PasswordsHaveAtLeastEightCharacters) {
  const std::string code = RequestCode("account/register/code.do", kPhone);
  const std::uint64_t hashes = m_server.Server().PasswordHashes();
  for (const std::string shortOne : {"1", "1234567", "密码密码密码密"}) {
    const Json::Value reply = Register(kPhone, shortOne, code);
    EXPECT_EQ(codeOf(reply), 2005) << shortOne;
    EXPECT_EQ(reply["resultMsg"].asString(), "密码格式错误");
    EXPECT_EQ(reply["params"].asString(), "密码长度不能少于8位");
  }
  EXPECT_EQ(m_server.Server().PasswordHashes(), hashes);
  // Eight characters, however many bytes they take.
  ASSERT_EQ(codeOf(Register(kPhone, "密码密码密码密码", code)), 1);
  const std::string resetCode = RequestCode("account/findpasswd/code.do", kPhone);
  EXPECT_EQ(codeOf(Reset(kPhone, "short", resetCode)), 2005);
  EXPECT_EQ(codeOf(Reset(kPhone, std::string(129, 'a'), resetCode)), 2005);
  EXPECT_EQ(codeOf(Reset(kPhone, "long-enough", resetCode)), 1);
  EXPECT_EQ(codeOf(LoginReply(kPhone, "long-enough")), 1);
}

TEST_F(RefServerAccounts, InvalidTokensAreRefused) {
  for (const std::string token : {"", "0123456789abcdef0123456789abcdef", "' OR 1=1 --"}) {
    const Json::Value reply = m_client.Post("quickMessage/list.do", "tokenId=" + Encode(token));
    EXPECT_EQ(codeOf(reply), token.empty() ? 1001 : 3001) << token;
  }
  const Json::Value reply = m_client.Post("quickMessage/list.do", "tokenId=abc");
  EXPECT_EQ(reply["resultMsg"].asString(), "登录已失效，请重新登录");
}

TEST(RefServerExpiry, SmsCodesAndTokensExpire) {
  CTestServer server([](TServerOptions& o) {
    o.nSmsTtl = 1;
    o.nTokenTtl = 2;
  });
  CApiClient client = server.Client();
  ASSERT_EQ(client.Post("account/register/code.do", "phone=13900002222")["resultCode"].asInt(), 1);
  const std::string stale = client.ReadSmsCode(server.DataDir(), "13900002222");
  server.Clock().Advance(std::chrono::milliseconds(2100));
  EXPECT_EQ(client
                .Post("account/register.do",
                      "phone=13900002222&password=pw-12345&company=c&contactName=n&sms=" +
                          stale)["resultCode"]
                .asInt(),
            2004);

  const std::string token = client.RegisterAndLogin(server.DataDir(), "13900002222", "pw-12345");
  EXPECT_EQ(client.Post("quickMessage/list.do", "tokenId=" + token)["resultCode"].asInt(), 1);
  server.Clock().Advance(std::chrono::milliseconds(3100));
  EXPECT_EQ(client.Post("quickMessage/list.do", "tokenId=" + token)["resultCode"].asInt(), 3001);
}

}  // namespace
}  // namespace refserver::test
