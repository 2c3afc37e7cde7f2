// The demo account and its sample library.
#include "refserver/RefServer.h"

#include "refserver/MessageJson.h"

namespace refserver {

namespace {

// A message object as the workbench writes it: one text item of one run.
Json::Value textMessage(const std::string& title, const std::string& text) {
  Json::Value segment(Json::objectValue);
  segment["content"] = text;
  segment["type"] = "1";
  Json::Value segments(Json::arrayValue);
  segments.append(segment);
  Json::Value item(Json::objectValue);
  item["detailType"] = 1;
  item["msgDetail"] = WriteCompact(segments);
  item["sort"] = 1;
  Json::Value message(Json::objectValue);
  message["contentTitle"] = title;
  message["leftRange"] = 0;
  message["rightRange"] = 0;
  message["msgDetailList"] = Json::Value(Json::arrayValue);
  message["msgDetailList"].append(item);
  return message;
}

struct TSampleGroup {
  const char* title;
  std::vector<std::pair<const char*, const char*>> messages;
};

const std::vector<TSampleGroup>& sampleLibrary() {
  static const std::vector<TSampleGroup> library = {
      {"常用问候",
       {{"欢迎语", "您好，欢迎光临本店，请问有什么可以帮您？"},
        {"稍等", "好的，请您稍等，我马上为您查询。"},
        {"结束语", "感谢您的惠顾，祝您生活愉快！"}}},
      {"售后服务",
       {{"退换货", "收到商品七天内可无理由退换货，请保持商品完好。"},
        {"物流查询", "您的包裹已发出，物流单号稍后发送给您。"}}},
  };
  return library;
}

}  // namespace

void CRefServer::Seed() {
  const std::int64_t account =
      m_accounts.CreateAccount(kDemoPhone, kDemoPassword, "演示公司", "演示用户");
  if (account == 0) {
    m_log.Info(std::string("seed: demo account ") + kDemoPhone + " already exists");
    return;
  }
  for (const TSampleGroup& group : sampleLibrary()) {
    const std::int64_t groupId = m_messages.AddGroup(account, group.title);
    for (const auto& [title, text] : group.messages) {
      Json::Value message = textMessage(title, text);
      message["msgGroupId"] = std::to_string(groupId);
      m_messages.AddMessage(account, message);
    }
  }
  m_log.Info(std::string("seed: demo account ") + kDemoPhone + " / " + kDemoPassword + " created");
}

}  // namespace refserver
