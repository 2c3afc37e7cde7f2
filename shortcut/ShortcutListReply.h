// Reading the quick-message list reply: the file the server client's list operation leaves.
//
//   {"resultCode":1, "msgList":[{"msgGroupId":"3" | 3, "groupTitle":"售后",
//                                "msgContentList":[<message object>, ...]}, ...]}
//
// Groups and messages are handed to a sink in reply order. A group without id or title is
// left out with all its messages; a message without id or title is left out; a msgList or
// msgContentList that is not an array yields nothing. Ids and titles are text (a number
// becomes its decimal text); each message is handed on re-written compact.
#pragma once

#include <json/value.h>

#include <string>

class IShortcutListSink {
 public:
  virtual ~IShortcutListSink() = default;
  // Asked before each group and after each message; true ends the reading there.
  virtual bool StopRequested() = 0;
  virtual void OnGroup(const std::string& id, const std::string& title) = 0;
  // A message of the group last handed to OnGroup.
  virtual void OnMessage(const std::string& id, const std::string& title,
                         const std::string& json) = 0;
};

class CShortcutListReply {
 public:
  // Reads the reply file; false when it cannot be read or is not JSON (nothing is handed on).
  static bool ReadFile(const std::string& path, IShortcutListSink& sink);
  static bool ReadText(const std::string& text, IShortcutListSink& sink);
  // Hands on the groups of a parsed reply; false when the sink asked to stop.
  static bool Read(const Json::Value& root, IShortcutListSink& sink);

 private:
  static bool ReadGroup(const Json::Value& group, IShortcutListSink& sink);
};
