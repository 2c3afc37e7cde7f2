#include "shortcut/ShortcutListReply.h"

#include "platform/win32/Files.h"
#include "shortcut/ShortcutJson.h"

bool CShortcutListReply::ReadFile(const std::string& path, IShortcutListSink& sink) {
  std::string text;
  if (!win32::ReadWholeFile(path, text)) return false;
  return ReadText(text, sink);
}

bool CShortcutListReply::ReadText(const std::string& text, IShortcutListSink& sink) {
  Json::Value root;
  if (!CShortcutJson::Parse(text, root)) return false;
  Read(root, sink);
  return true;
}

bool CShortcutListReply::Read(const Json::Value& root, IShortcutListSink& sink) {
  if (!root.isObject()) return true;
  const Json::Value& list = root["msgList"];
  if (!list.isArray()) return true;
  for (const Json::Value& group : list) {
    if (sink.StopRequested()) return false;
    if (!ReadGroup(group, sink)) return false;
  }
  return true;
}

bool CShortcutListReply::ReadGroup(const Json::Value& group, IShortcutListSink& sink) {
  const std::string id = CShortcutJson::MemberText(group, "msgGroupId");
  const std::string title = CShortcutJson::MemberText(group, "groupTitle");
  if (id.empty() || title.empty()) return true;
  sink.OnGroup(id, title);
  const Json::Value& messages = group["msgContentList"];
  if (!messages.isArray()) return true;
  for (const Json::Value& message : messages) {
    const std::string messageId = CShortcutJson::MemberText(message, "msgContentId");
    const std::string messageTitle = CShortcutJson::MemberText(message, "contentTitle");
    if (!messageId.empty() && !messageTitle.empty() && message.isObject())
      sink.OnMessage(messageId, messageTitle, CShortcutJson::Write(message));
    if (sink.StopRequested()) return false;
  }
  return true;
}
