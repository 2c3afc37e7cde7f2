// Version check, feedback, tips and contact remarks.
#include "server/ConnServer.h"

#include "tests/server/CannedServer.h"

#include <gtest/gtest.h>

namespace {

class OtherTest : public CServerTest {
 protected:
  int Version(const std::string& reply, std::string& downUrl) {
    m_server.Reply(reply);
    CConnServer conn;
    return conn.QueryVersion(downUrl, "1.0");
  }
};

TEST_F(OtherTest, VersionFlagsDecide) {
  std::string url = "old";
  EXPECT_EQ(Version(R"({"isForceUpdate":1,"isUpdate":1,"downUrl":"http://d/新.exe"})", url), 1);
  EXPECT_EQ(url, "http://d/新.exe");
  EXPECT_EQ(Version(R"({"isForceUpdate":0,"isUpdate":2})", url), 2);
  EXPECT_EQ(Version(R"({"isForceUpdate":3})", url), 1);
  url = "kept";
  EXPECT_EQ(Version("{}", url), 0);
  EXPECT_EQ(url, "kept");
  EXPECT_EQ(Version(R"({"resultCode":0,"resultMsg":"x"})", url), 0);
  EXPECT_EQ(Version(R"({"isForceUpdate":-1,"isUpdate":0})", url), 0);
}

TEST_F(OtherTest, VersionDoesNotReadEnvelope) {
  m_server.Reply(R"({"resultCode":7,"resultMsg":"x","isUpdate":1})");
  CConnServer conn;
  std::string url;
  EXPECT_EQ(conn.QueryVersion(url, "1.0"), 2);
  EXPECT_EQ(conn.m_nResultCode, 0);
  EXPECT_EQ(conn.m_strResultMsg, "");
}

TEST_F(OtherTest, FeedbackFailureKeepsObjText) {
  m_server.Reply(R"({"resultCode":0,"resultMsg":"太长","obj":"max 500"})");
  CConnServer conn;
  EXPECT_EQ(conn.AddFeedback("t", "text"), -2);
  EXPECT_EQ(conn.m_strResultMsg, "太长");
  EXPECT_EQ(conn.m_strObj, "max 500");
  m_server.Reply(R"({"resultCode":1,"obj":"ignored"})");
  CConnServer ok;
  EXPECT_EQ(ok.AddFeedback("t", "text"), 0);
  EXPECT_EQ(ok.m_strObj, "");
}

TEST_F(OtherTest, TipsReturnsContent) {
  m_server.Reply(R"({"resultCode":1,"obj":{"tipsContent":"今晚维护"}})");
  CConnServer conn;
  EXPECT_EQ(conn.GetTipsMessage("t k"), "今晚维护");
  EXPECT_EQ(conn.m_strObj, "今晚维护");
  const TReceived got = m_server.Last();
  EXPECT_EQ(got.path, "/zoduda_vudi/tipsMsg/getTipsMessage.do");
  EXPECT_EQ(got.body, "tokenId=t+k");
  EXPECT_EQ(ReadFile(UserFolder() + "TipMsg.dat"),
            R"({"resultCode":1,"obj":{"tipsContent":"今晚维护"}})");
}

TEST_F(OtherTest, TipsEmptyUnlessReadNow) {
  for (const char* reply :
       {R"({"resultCode":1,"obj":{}})", R"({"resultCode":1})",
        R"({"resultCode":0,"obj":{"tipsContent":"x"}})", R"({"resultCode":1,"obj":"text"})",
        R"({"resultCode":1,"obj":{"tipsContent":3}})", "not json"}) {
    m_server.Reply(reply);
    CConnServer conn;
    conn.m_strObj = "stale";
    EXPECT_EQ(conn.GetTipsMessage("t"), "") << reply;
  }
  UseWebServer("http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  CConnServer conn;
  EXPECT_EQ(conn.GetTipsMessage("t"), "");
}

TEST_F(OtherTest, RemarkReplacesOpenIdWithRemarkId) {
  m_server.Reply(R"({"resultCode":1,"obj":{"remarkId":12,"remarkInfo":"老客户"}})");
  CConnServer conn;
  CDuiString id = "wxid_1", remark;
  EXPECT_EQ(conn.GetRemarkInfo(&id, "t", &remark), 0);
  EXPECT_EQ(id, "12");
  EXPECT_EQ(remark, "老客户");
}

TEST_F(OtherTest, RemarkWithoutIntegerIdKeepsOpenId) {
  for (const char* reply : {R"({"resultCode":1,"obj":{"remarkId":"12","remarkInfo":"r"}})",
                            R"({"resultCode":1,"obj":{"remarkId":1099511627776}})",
                            R"({"resultCode":1,"obj":{"remarkInfo":5}})", R"({"resultCode":1})",
                            R"({"resultCode":0,"obj":{"remarkId":12}})"}) {
    m_server.Reply(reply);
    CConnServer conn;
    CDuiString id = "wxid_1", remark = "before";
    conn.GetRemarkInfo(&id, "t", &remark);
    EXPECT_EQ(id, "wxid_1") << reply;
  }
}

TEST_F(OtherTest, RemarkWithObjNotObjectIsUnreadable) {
  m_server.Reply(R"({"resultCode":1,"obj":[12]})");
  CConnServer conn;
  CDuiString id = "wxid_1", remark;
  EXPECT_EQ(conn.GetRemarkInfo(&id, "t", &remark), -2);
  EXPECT_EQ(conn.m_strResultMsg, "提交反馈信息失败, 服务器返回数据解析不一致.");
  EXPECT_EQ(id, "wxid_1");
}

TEST_F(OtherTest, RemarkNeedsItsOutputs) {
  CConnServer conn;
  CDuiString id = "x";
  EXPECT_EQ(conn.GetRemarkInfo(&id, "t", nullptr), -1);
  EXPECT_EQ(conn.EditRemarkInfo(nullptr, "o", "r", "t"), -1);
  EXPECT_EQ(m_server.Count(), 0u);
}

TEST_F(OtherTest, EditRemarkTakesNewIdOnlyForNewRemark) {
  CConnServer conn;
  m_server.Reply(R"({"resultCode":1,"obj":34})");
  CDuiString id = "0";
  EXPECT_EQ(conn.EditRemarkInfo(&id, "o", "r", "t"), 0);
  EXPECT_EQ(id, "34");
  id = "7";
  EXPECT_EQ(conn.EditRemarkInfo(&id, "o", "r", "t"), 0);
  EXPECT_EQ(id, "7");
  m_server.Reply(R"({"resultCode":1,"obj":"34"})");
  id = "0";
  EXPECT_EQ(conn.EditRemarkInfo(&id, "o", "r", "t"), 0);
  EXPECT_EQ(id, "0");
  m_server.Reply(R"({"resultCode":0,"resultMsg":"失败","obj":34})");
  EXPECT_EQ(conn.EditRemarkInfo(&id, "o", "r", "t"), -2);
  EXPECT_EQ(id, "0");
  EXPECT_EQ(conn.m_strResultMsg, "失败");
}

}  // namespace
