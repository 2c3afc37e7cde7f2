// The workbench's own server client (CConnServer) against the reference server: every
// operation, unchanged, over loopback.
#include "RefServerHarness.h"

#include "server/ConnServer.h"
#include "tests/server/CannedServer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace refserver::test {
namespace {

constexpr const char* kPhone = "13900004321";

class RefServerWorkbenchClient : public CServerTest {
 protected:
  void SetUp() override {
    CServerTest::SetUp();
    UseWebServer("http://127.0.0.1:" + std::to_string(m_refServer.Port()) + "/");
  }

  std::string SignUp() {
    CConnServer sms;
    EXPECT_EQ(sms.GetSMS(kPhone, true), 1) << sms.m_strResultMsg.str();
    const std::string code =
        CApiClient(m_refServer.Port()).ReadSmsCode(m_refServer.DataDir(), kPhone);
    CConnServer reg;
    EXPECT_EQ(reg.Register(kPhone, code, "密码 & =+ 1234", "某某商贸", "张三"), 0)
        << reg.m_strResultMsg.str() << ": " << reg.m_strObj.str();
    CConnServer login;
    EXPECT_EQ(login.Login(kPhone, "密码 & =+ 1234"), 0) << login.m_strResultMsg.str();
    EXPECT_EQ(login.m_nWechatQuantity, 10);
    return login.m_strLoginToken.str();
  }

  CTestServer m_refServer{[](TServerOptions& o) {
    o.sTip = "今晚维护";
    o.sLatestVersion = "2.0.0";
    o.sDownUrl = "/setup.exe";
  }};
};

TEST_F(RefServerWorkbenchClient, AccountOperations) {
  const std::string token = SignUp();
  EXPECT_EQ(token.size(), 32u);

  CConnServer wrong;
  EXPECT_EQ(wrong.Login(kPhone, "nope"), -2);
  EXPECT_EQ(wrong.m_strResultMsg, "手机号或密码错误");

  CConnServer sms;
  EXPECT_EQ(sms.GetSMS(kPhone, false), 1);
  const std::string code =
      CApiClient(m_refServer.Port()).ReadSmsCode(m_refServer.DataDir(), kPhone);
  CConnServer reset;
  EXPECT_EQ(reset.ResetPwd(kPhone, code, "new pw 1234"), 0) << reset.m_strResultMsg.str();
  CConnServer login;
  EXPECT_EQ(login.Login(kPhone, "new pw 1234"), 0);

  // A registered phone is not told apart: its registration code request succeeds, but no
  // code is made, so registering again fails on the code.
  CConnServer taken;
  EXPECT_EQ(taken.GetSMS(kPhone, true), 1);
  CConnServer again;
  EXPECT_EQ(again.Register(kPhone, "123456", "pw-12345", "c", "n"), -2);
  EXPECT_EQ(again.m_strResultMsg, "短信验证码错误或已过期");
}

TEST_F(RefServerWorkbenchClient, QuickMessageOperations) {
  const std::string token = SignUp();
  CConnServer addGroup;
  const int groupId = addGroup.AddShortcutGrp("常用 & 问候", token);
  ASSERT_GT(groupId, 0) << addGroup.m_strResultMsg.str();

  const std::string message =
      R"({"contentTitle":"标题 1+1","leftRange":2,"msgDetailList":[{"detailType":1,)"
      R"("msgDetail":"[{\"content\":\"50% off & more\",\"type\":\"1\"}]","sort":1}],)"
      R"("msgGroupId":")" +
      std::to_string(groupId) + R"(","rightRange":200})";
  CConnServer addMessage;
  std::vector<std::string> ids;
  ASSERT_EQ(addMessage.AddShortcutMsg(message, ids, token), 1) << addMessage.m_strResultMsg.str();
  ASSERT_EQ(ids.size(), 1u);

  CConnServer rename;
  EXPECT_EQ(rename.EditShortcutGrp(std::to_string(groupId), "新名字", token), 0);

  Json::Value edited;
  std::istringstream(message) >> edited;
  edited["msgContentId"] = ids[0];
  edited["contentTitle"] = "改过的";
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  CConnServer edit;
  EXPECT_EQ(edit.EditShortcutMsg(ids[0], Json::writeString(writer, edited), token), 0)
      << edit.m_strResultMsg.str();

  CConnServer list;
  CDuiString replyPath;
  ASSERT_EQ(list.GetShortcutList(token, &replyPath), 0);
  Json::Value reply;
  std::ifstream(replyPath.str()) >> reply;
  const Json::Value& group = reply["msgList"][0];
  EXPECT_EQ(group["groupTitle"].asString(), "新名字");
  EXPECT_EQ(group["msgContentList"][0]["contentTitle"].asString(), "改过的");
  EXPECT_EQ(group["msgContentList"][0]["msgDetailList"][0]["msgDetail"].asString(),
            R"([{"content":"50% off & more","type":"1"}])");

  CConnServer delMessage;
  EXPECT_EQ(delMessage.DelShortcut(ids[0], token, false), 0);
  CConnServer delGroup;
  EXPECT_EQ(delGroup.DelShortcut(std::to_string(groupId), token, true), 0);
  CConnServer again;
  EXPECT_EQ(again.DelShortcut(std::to_string(groupId), token, true), -2);
  EXPECT_EQ(again.m_strResultMsg, "记录不存在");
}

TEST_F(RefServerWorkbenchClient, PictureUploadAndDownload) {
  const std::string token = SignUp();
  const std::string source = Root() + "/photo.png";
  std::string bytes(100000, '\0');
  std::mt19937 gen(9);
  for (char& c : bytes) c = static_cast<char>(gen());
  std::ofstream(source, std::ios::binary) << bytes;

  CConnServer upload;
  ASSERT_EQ(upload.UploadPic(token, source, "photo.png"), 0) << upload.m_strResultMsg.str();
  const std::string name = upload.m_strObj.str();
  ASSERT_FALSE(name.empty());

  CConnServer download;
  const std::string target = Root() + "/copy.png";
  const std::string url =
      "http://127.0.0.1:" + std::to_string(m_refServer.Port()) + "/zoduda_vudi/upload/pic/" + name;
  ASSERT_EQ(download.DownloadFile(url, target), target);
  EXPECT_TRUE(ReadFile(target) == bytes);

  CConnServer tooBig;
  std::ofstream(source, std::ios::binary) << std::string(2 * 1024 * 1024 + 1, 'x');
  EXPECT_EQ(tooBig.UploadPic(token, source, "photo.png"), -2);
  EXPECT_EQ(tooBig.m_strResultMsg, "图片大小不能超过2M");
}

TEST_F(RefServerWorkbenchClient, OtherOperations) {
  const std::string token = SignUp();
  CConnServer version;
  std::string downUrl;
  EXPECT_EQ(version.QueryVersion(downUrl, "1.0.0"), 2);
  EXPECT_EQ(downUrl, "/setup.exe");

  CConnServer tips;
  EXPECT_EQ(tips.GetTipsMessage(token), "今晚维护");

  CConnServer feedback;
  EXPECT_EQ(feedback.AddFeedback(token, "很好 & 实用"), 0);

  CDuiString remarkId = "0";
  CConnServer edit;
  ASSERT_EQ(edit.EditRemarkInfo(&remarkId, "wxid_1", "老客户", token), 0);
  EXPECT_NE(remarkId, "0");
  CDuiString idOut = "wxid_1";
  CDuiString info;
  CConnServer get;
  ASSERT_EQ(get.GetRemarkInfo(&idOut, token, &info), 0);
  EXPECT_EQ(idOut, remarkId);
  EXPECT_EQ(info, "老客户");

  CDuiString unknown = "wxid_none";
  CDuiString none;
  CConnServer getNone;
  ASSERT_EQ(getNone.GetRemarkInfo(&unknown, token, &none), 0);
  EXPECT_EQ(unknown, "wxid_none");
  EXPECT_EQ(none, "");

  CConnServer templateDownload;
  const std::string target = Root() + "/模板.xls";
  ASSERT_EQ(templateDownload.DownloadFile("", target), target);
  EXPECT_EQ(ReadFile(target).substr(0, 2), "PK");
}

}  // namespace
}  // namespace refserver::test
