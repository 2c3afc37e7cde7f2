// What every form operation shares, operation by operation: address, body byte for byte
// (key order, escaping, Chinese as UTF-8), reply file, and the result and message for a
// server failure, an unreadable reply, a member of the wrong type, a refused connection
// and a reply file that cannot be created.
#include "server/ConnServer.h"

#include "tests/server/CannedServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

const CDuiString kPhone = "138 0013&8000";
const CDuiString kPassword = "p=w+d%中";
const CDuiString kToken = "tok=1&2";
const CDuiString kGroupTitle = "新 组";
const CDuiString kMessage =
    R"({"title":"问候","msgDetailList":[{"content":"a+b=c & 100%","type":"1"}]})";
const char* const kPhoneForm = "138+0013%268000";
const char* const kPasswordForm = "p%3Dw%2Bd%25%E4%B8%AD";
const char* const kTokenForm = "tok%3D1%262";
const char* const kGroupTitleForm = "%E6%96%B0+%E7%BB%84";
const char* const kMessageForm =
    "%7B%22title%22%3A%22%E9%97%AE%E5%80%99%22%2C%22msgDetailList%22%3A%5B%7B%22content%22%3A%22"
    "a%2Bb%3Dc+%26+100%25%22%2C%22type%22%3A%221%22%7D%5D%7D";

struct TOperationCase {
  const char* name;
  std::function<int(CConnServer&)> call;
  std::string path;
  std::string body;
  const char* replyFile;
  const char* fileError;  // null: the message is left alone
  const char* netError;
  const char* parseError;
  int unreadableResult;
  int serverFailureResult;
  bool readsEnvelope = true;
};

std::vector<TOperationCase> operationCases() {
  const std::string token = std::string("tokenId=") + kTokenForm;
  return {
      {"Register",
       [](CConnServer& c) { return c.Register(kPhone, "12 34", kPassword, "杭州 A&B", "张三"); },
       "/zoduda_vudi/account/register.do",
       std::string("phone=") + kPhoneForm + "&password=" + kPasswordForm +
           "&company=%E6%9D%AD%E5%B7%9E+A%26B&contactName=%E5%BC%A0%E4%B8%89&sms=12+34",
       "Register.dat", "注册失败, 请求数据错误.", "注册失败, 请检查网络.",
       "注册失败, 服务器返回数据解析不一致.", -2, -2},
      {"Login", [](CConnServer& c) { return c.Login(kPhone, kPassword); },
       "/zoduda_vudi/account/login.do",
       std::string("phone=") + kPhoneForm + "&password=" + kPasswordForm, "Login.dat",
       "登录失败, 请求数据错误.", "登录失败, 请检查网络.", "登录失败, 服务器返回数据解析不一致.",
       -2, -2},
      {"GetSMSForRegister", [](CConnServer& c) { return c.GetSMS(kPhone, true); },
       "/zoduda_vudi/account/register/code.do", std::string("phone=") + kPhoneForm, "SMS.dat",
       "请求验证码失败, 数据错误.", "请求验证码失败, 请检查网络.",
       "请求验证码失败, 服务器返回数据解析不一致.", -1, 0},
      {"GetSMSForReset", [](CConnServer& c) { return c.GetSMS(kPhone, false); },
       "/zoduda_vudi/account/findpasswd/code.do", std::string("phone=") + kPhoneForm, "SMS.dat",
       "请求验证码失败, 数据错误.", "请求验证码失败, 请检查网络.",
       "请求验证码失败, 服务器返回数据解析不一致.", -1, 0},
      {"ResetPwd", [](CConnServer& c) { return c.ResetPwd(kPhone, "12 34", kPassword); },
       "/zoduda_vudi/account/findpasswd/reset.do",
       std::string("phone=") + kPhoneForm + "&password=" + kPasswordForm + "&sms=12+34",
       "RstPwd.dat", "重置密码失败, 请求数据错误.", "重置密码失败, 请检查网络.",
       "重置密码失败, 服务器返回数据解析不一致.", -2, -2},
      {"AddShortcutGrp", [](CConnServer& c) { return c.AddShortcutGrp(kGroupTitle, kToken); },
       "/zoduda_vudi/quickMessage/group/add.do",
       std::string("groupTitle=") + kGroupTitleForm + "&" + token, "AddShortcutGrp.dat",
       "添加快捷语组失败, 请求数据错误.", "添加快捷语组失败, 请检查网络.",
       "添加快捷语组失败, 服务器返回数据解析不一致.", -2, -2},
      {"EditShortcutGrp",
       [](CConnServer& c) { return c.EditShortcutGrp("42", kGroupTitle, kToken); },
       "/zoduda_vudi/quickMessage/group/update.do",
       std::string("msgGroupId=42&groupTitle=") + kGroupTitleForm + "&" + token,
       "EditShortcutGrp.dat", "编辑快捷语组失败, 请求数据错误.", "编辑快捷语组失败, 请检查网络.",
       "编辑快捷语组失败, 服务器返回数据解析不一致.", -2, -2},
      {"DelShortcutGroup", [](CConnServer& c) { return c.DelShortcut("42", kToken, true); },
       "/zoduda_vudi/quickMessage/group/del.do", "msgGroupId=42&" + token, "DelShortcutGrp.dat",
       "删除快捷语组失败, 请求数据错误.", "删除快捷语组失败, 请检查网络.",
       "删除快捷语组失败, 服务器返回数据解析不一致.", -2, -2},
      // A message is deleted on its own path and key, with the group's file and messages.
      {"DelShortcutMessage", [](CConnServer& c) { return c.DelShortcut("77", kToken, false); },
       "/zoduda_vudi/quickMessage/del.do", "msgContentId=77&" + token, "DelShortcutGrp.dat",
       "删除快捷语组失败, 请求数据错误.", "删除快捷语组失败, 请检查网络.",
       "删除快捷语组失败, 服务器返回数据解析不一致.", -2, -2},
      {"AddShortcutMsg",
       [](CConnServer& c) {
         std::vector<std::string> ids;
         return c.AddShortcutMsg(kMessage, ids, kToken);
       },
       "/zoduda_vudi/quickMessage/add.do", std::string("message=") + kMessageForm + "&" + token,
       "AddShortcut.dat", "添加快捷失败, 请求数据错误.", "添加快捷失败, 请检查网络.",
       "添加快捷失败, 服务器返回数据解析不一致.", -2, -2},
      // The content id is not sent.
      {"EditShortcutMsg", [](CConnServer& c) { return c.EditShortcutMsg("99", kMessage, kToken); },
       "/zoduda_vudi/quickMessage/update.do", std::string("message=") + kMessageForm + "&" + token,
       "EditShortcut.dat", "编辑快捷失败, 请求数据错误.", "编辑快捷失败, 请检查网络.",
       "编辑快捷失败, 服务器返回数据解析不一致.", -2, -2},
      {"GetShortcutList",
       [](CConnServer& c) {
         CDuiString path;
         return c.GetShortcutList(kToken, &path);
       },
       "/zoduda_vudi/quickMessage/list.do", token, "ShortcutList.dat", nullptr, nullptr, nullptr,
       -2, -2},
      {"QueryVersion",
       [](CConnServer& c) {
         std::string url;
         return c.QueryVersion(url, "2.0.1 beta");
       },
       "/zoduda_vudi/common/version.do", "version=2.0.1+beta", "Update.dat", nullptr, nullptr,
       nullptr, -1, 0, false},
      {"AddFeedback",
       [](CConnServer& c) { return c.AddFeedback(kToken, "很好用, 但 50% 的时候 & 卡"); },
       "/zoduda_vudi/feedback/addFeedback.do",
       token + "&feedbackInfo=%E5%BE%88%E5%A5%BD%E7%94%A8%2C+%E4%BD%86+50%25+%E7%9A%84%E6%97%B6"
               "%E5%80%99+%26+%E5%8D%A1",
       "Feedback.dat", nullptr, nullptr, "提交反馈信息失败, 服务器返回数据解析不一致.", -2, -2},
      {"GetRemarkInfo",
       [](CConnServer& c) {
         CDuiString id = "wxid_ab+c", remark;
         return c.GetRemarkInfo(&id, kToken, &remark);
       },
       "/zoduda_vudi/weChat/getRemarkInfo.do", "openId=wxid_ab%2Bc&" + token, "GetRemarkInfo.dat",
       nullptr, nullptr, "提交反馈信息失败, 服务器返回数据解析不一致.", -2, -2},
      {"EditRemarkInfo",
       [](CConnServer& c) {
         CDuiString id = "0";
         return c.EditRemarkInfo(&id, "wxid_ab+c", "老客户 VIP", kToken);
       },
       "/zoduda_vudi/weChat/editRemarkInfo.do",
       "remarkId=0&openId=wxid_ab%2Bc&remarkInfo=%E8%80%81%E5%AE%A2%E6%88%B7+VIP&" + token,
       "EditRemarkInfo.dat", nullptr, nullptr, "提交反馈信息失败, 服务器返回数据解析不一致.", -2,
       -2},
  };
}

class OperationTest : public CServerTest, public ::testing::WithParamInterface<TOperationCase> {
 protected:
  const TOperationCase& Case() const { return GetParam(); }
  // The message an operation leaves: its own text, or (none) what the object held.
  static std::string Expected(const char* message) { return message ? message : "before"; }
  int Call(CConnServer& conn) {
    conn.m_strResultMsg = "before";
    return Case().call(conn);
  }
};

TEST_P(OperationTest, PostsBodyToPathAndKeepsReplyFile) {
  const std::string reply = R"({"resultCode":1,"resultMsg":"好"})";
  m_server.Reply(reply);
  CConnServer conn;
  Call(conn);
  const TReceived got = m_server.Last();
  EXPECT_EQ(got.method, "POST");
  EXPECT_EQ(got.path, Case().path);
  EXPECT_EQ(got.body, Case().body);
  EXPECT_EQ(got.Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(ReadFile(UserFolder() + Case().replyFile), reply);
  EXPECT_TRUE(FilesContaining(UserFolder(), ".part-").empty());
  if (Case().readsEnvelope) {
    EXPECT_EQ(conn.m_strResultMsg, "好");
  }
}

TEST_P(OperationTest, ServerFailureGivesServerMessage) {
  m_server.Reply(R"({"resultCode":0,"resultMsg":"服务器忙","obj":"细节","params":"参数"})");
  CConnServer conn;
  EXPECT_EQ(Call(conn), Case().serverFailureResult);
  EXPECT_EQ(conn.m_strResultMsg, Case().readsEnvelope ? "服务器忙" : "before");
}

TEST_P(OperationTest, UnreadableReplyGivesParseMessage) {
  for (const char* reply : {"<html>500</html>", "", "[1,2]", "7", "{\"resultCode\":1"}) {
    m_server.Reply(TCanned{500, reply, "text/html"});
    CConnServer conn;
    EXPECT_EQ(Call(conn), Case().unreadableResult) << reply;
    EXPECT_EQ(conn.m_strResultMsg, Expected(Case().parseError)) << reply;
  }
}

TEST_P(OperationTest, MemberOfWrongTypeReadsAsUnreadable) {
  const char* replies[] = {R"({"resultCode":"1","resultMsg":"x"})", R"({"resultCode":1.5})",
                           R"({"resultCode":true})", R"({"resultCode":4294967297})",
                           R"({"resultCode":0,"resultMsg":["x"]})"};
  const char* versionReplies[] = {R"({"isForceUpdate":"1"})", R"({"isUpdate":{}})",
                                  R"({"downUrl":5})", R"({"isUpdate":1e20})", R"({"isUpdate":[]})"};
  for (const char* reply : Case().readsEnvelope ? replies : versionReplies) {
    m_server.Reply(reply);
    CConnServer conn;
    EXPECT_EQ(Call(conn), Case().unreadableResult) << reply;
    EXPECT_EQ(conn.m_strResultMsg, Expected(Case().parseError)) << reply;
  }
}

TEST_P(OperationTest, RefusedConnectionGivesNetworkMessage) {
  UseWebServer("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  const std::string previous = UserFolder() + Case().replyFile;
  WriteFile(previous, "previous reply");
  CConnServer conn;
  EXPECT_EQ(Call(conn), -1);
  EXPECT_EQ(conn.m_strResultMsg, Expected(Case().netError));
  EXPECT_EQ(ReadFile(previous), "previous reply");
  EXPECT_TRUE(FilesContaining(UserFolder(), ".part-").empty());
}

TEST_P(OperationTest, MissingReplyFolderSendsNothing) {
  std::filesystem::remove_all(UserFolder());
  CConnServer conn;
  EXPECT_EQ(Call(conn), -1);
  EXPECT_EQ(conn.m_strResultMsg, Expected(Case().fileError));
  EXPECT_EQ(m_server.Count(), 0u);
}

// A reply that could not be kept must not be asked for: the server would act (add a group,
// register) while the operator reads a failure, and a retry would act twice.
TEST_P(OperationTest, ReplyThatCannotBeKeptSendsNothing) {
  const std::string target = UserFolder() + Case().replyFile;
  std::filesystem::create_directory(target);
  CConnServer conn;
  EXPECT_EQ(Call(conn), -1);
  EXPECT_EQ(conn.m_strResultMsg, Expected(Case().fileError));
  std::filesystem::remove(target);

  WriteFile(target, "kept");
  std::filesystem::permissions(target, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
  EXPECT_EQ(Call(conn), -1);
  EXPECT_EQ(conn.m_strResultMsg, Expected(Case().fileError));
  EXPECT_EQ(ReadFile(target), "kept");
  EXPECT_EQ(m_server.Count(), 0u);
  EXPECT_TRUE(FilesContaining(UserFolder(), ".part-").empty());
}

// Replies hold the login token and the operator's data: nobody else may read them.
TEST_P(OperationTest, ReplyFileIsTheUsersAlone) {
  const std::string target = UserFolder() + Case().replyFile;
  WriteFile(target, "older reply");
  std::filesystem::permissions(target, std::filesystem::perms::all);
  m_server.Reply(R"({"resultCode":1})");
  CConnServer conn;
  Call(conn);
  EXPECT_EQ(std::filesystem::status(target).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

INSTANTIATE_TEST_SUITE_P(AllForms, OperationTest, ::testing::ValuesIn(operationCases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
