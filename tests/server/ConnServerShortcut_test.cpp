// Quick-message operations: payloads, id lists and the list reply file.
#include "server/ConnServer.h"

#include "tests/server/CannedServer.h"

#include <gtest/gtest.h>

namespace {

class ShortcutTest : public CServerTest {};

TEST_F(ShortcutTest, AddGroupReturnsNewId) {
  CConnServer conn;
  m_server.Reply(R"({"resultCode":1,"obj":57})");
  EXPECT_EQ(conn.AddShortcutGrp("g", "t"), 57);
  m_server.Reply(R"({"resultCode":1})");
  EXPECT_EQ(conn.AddShortcutGrp("g", "t"), 0);
  m_server.Reply(R"({"resultCode":0,"resultMsg":"重名","obj":"已存在"})");
  EXPECT_EQ(conn.AddShortcutGrp("g", "t"), -2);
  EXPECT_EQ(conn.m_strObj, "已存在");
}

TEST_F(ShortcutTest, AddGroupWithTextIdIsUnreadable) {
  m_server.Reply(R"({"resultCode":1,"obj":"57"})");
  CConnServer conn;
  EXPECT_EQ(conn.AddShortcutGrp("g", "t"), -2);
  EXPECT_EQ(conn.m_strResultMsg, "添加快捷语组失败, 服务器返回数据解析不一致.");
}

TEST_F(ShortcutTest, AddMessageAppendsArrayIds) {
  m_server.Reply(R"({"resultCode":1,"obj":["101","编号102"]})");
  CConnServer conn;
  std::vector<std::string> ids;
  EXPECT_EQ(conn.AddShortcutMsg("{}", ids, "t"), 2);
  EXPECT_EQ(ids, (std::vector<std::string>{"101", "编号102"}));
  EXPECT_EQ(conn.m_strObj, "");
  // Entries already in the list count too.
  EXPECT_EQ(conn.AddShortcutMsg("{}", ids, "t"), 4);
}

TEST_F(ShortcutTest, AddMessageAppendsSingleId) {
  m_server.Reply(R"({"resultCode":1,"obj":"205"})");
  CConnServer conn;
  std::vector<std::string> ids;
  EXPECT_EQ(conn.AddShortcutMsg("{}", ids, "t"), 1);
  EXPECT_EQ(ids, std::vector<std::string>{"205"});
  EXPECT_EQ(conn.m_strObj, "205");
}

TEST_F(ShortcutTest, AddMessageWithoutObjReturnsListSize) {
  m_server.Reply(R"({"resultCode":1})");
  CConnServer conn;
  std::vector<std::string> ids{"1"};
  EXPECT_EQ(conn.AddShortcutMsg("{}", ids, "t"), 1);
}

TEST_F(ShortcutTest, AddMessageFailureLeavesIdsAlone) {
  CConnServer conn;
  std::vector<std::string> ids;
  m_server.Reply(R"({"resultCode":0,"resultMsg":"失败","obj":"原因"})");
  EXPECT_EQ(conn.AddShortcutMsg("{}", ids, "t"), -2);
  EXPECT_EQ(conn.m_strObj, "原因");
  m_server.Reply(R"({"resultCode":1,"obj":["101",102]})");
  EXPECT_EQ(conn.AddShortcutMsg("{}", ids, "t"), -2);
  EXPECT_EQ(conn.m_strResultMsg, "添加快捷失败, 服务器返回数据解析不一致.");
  EXPECT_TRUE(ids.empty());
}

TEST_F(ShortcutTest, QuickMessageJsonArrivesIntact) {
  const std::string message =
      R"({"contentTitle":"问候 & 感谢","msgDetailList":[{"content":"1+1=2, 100% [微笑]","type":"1"},)"
      R"({"content":"12","type":"2"}]})";
  m_server.Reply(R"({"resultCode":1})");
  CConnServer conn;
  std::vector<std::string> ids;
  conn.AddShortcutMsg(message.c_str(), ids, "t");
  EXPECT_EQ(m_server.Last().params.find("message")->second, message);
  conn.EditShortcutMsg("9", message.c_str(), "t");
  EXPECT_EQ(m_server.Last().params.find("message")->second, message);
  EXPECT_EQ(m_server.Last().params.count("msgContentId"), 0u);
}

TEST_F(ShortcutTest, ListHandsOverReplyFile) {
  const std::string reply = R"({"resultCode":1,"msgList":[{"msgGroupId":1,"groupTitle":"组"}]})";
  m_server.Reply(reply);
  CConnServer conn;
  CDuiString path = "unchanged";
  EXPECT_EQ(conn.GetShortcutList("t", &path), 0);
  EXPECT_EQ(path, (UserFolder() + "ShortcutList.dat").c_str());
  EXPECT_EQ(ReadFile(path.str()), reply);
}

TEST_F(ShortcutTest, ListWithoutMsgListLeavesPathAlone) {
  m_server.Reply(R"({"resultCode":1,"obj":"nothing"})");
  CConnServer conn;
  CDuiString path = "unchanged";
  EXPECT_EQ(conn.GetShortcutList("t", &path), 0);
  EXPECT_EQ(path, "unchanged");
  EXPECT_EQ(conn.m_strObj, "");
}

TEST_F(ShortcutTest, ListFailureTakesObjOnlyBesideMsgList) {
  CConnServer conn;
  CDuiString path = "unchanged";
  m_server.Reply(R"({"resultCode":0,"resultMsg":"令牌失效","obj":"without list"})");
  EXPECT_EQ(conn.GetShortcutList("t", &path), -2);
  EXPECT_EQ(conn.m_strObj, "");
  m_server.Reply(R"({"resultCode":0,"msgList":[],"obj":"with list"})");
  EXPECT_EQ(conn.GetShortcutList("t", &path), -2);
  EXPECT_EQ(conn.m_strObj, "with list");
  EXPECT_EQ(conn.m_strResultMsg, "令牌失效");
  EXPECT_EQ(path, "unchanged");
}

}  // namespace
