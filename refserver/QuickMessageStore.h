// Each account's quick-message library: groups of message objects. Ids come from SQLite
// AUTOINCREMENT, so they are never reused and stay the same across restarts. A group or
// message of another account counts as unknown (RC_UNKNOWN_ID). An account holds at most the
// quota's groups and messages; one more is refused with RC_QUOTA_EXCEEDED.
//
// Safe from every request thread: each call is one transaction. The database is the
// server's and outlives this.
#pragma once

#include "refserver/Database.h"

#include <json/json.h>

#include <cstdint>
#include <string>
#include <vector>

namespace refserver {

struct TStoredMessage {
  std::int64_t nId = 0;
  std::string sBody;  // the message object as compact JSON, ids included
};

struct TStoredGroup {
  std::int64_t nId = 0;
  std::string sTitle;
  std::vector<TStoredMessage> vecMessages;
};

struct TLibraryQuota {
  std::int64_t nMaxGroups = 1000;
  std::int64_t nMaxMessages = 100000;
};

class CQuickMessageStore {
 public:
  explicit CQuickMessageStore(CDatabase& db, TLibraryQuota quota = {});

  std::int64_t AddGroup(std::int64_t account, const std::string& title);
  void RenameGroup(std::int64_t account, std::int64_t groupId, const std::string& title);
  // Deletes the group and every message in it.
  void DeleteGroup(std::int64_t account, std::int64_t groupId);

  // The message's "msgGroupId" names its group. The stored object gets "msgContentId"
  // (the new id) and "msgGroupId" as decimal text.
  std::int64_t AddMessage(std::int64_t account, Json::Value message);
  // "msgContentId" names the message; a "msgGroupId" moves it to that group.
  void UpdateMessage(std::int64_t account, Json::Value message);
  void DeleteMessage(std::int64_t account, std::int64_t messageId);

  // Groups and their messages in creation order.
  std::vector<TStoredGroup> List(std::int64_t account);

 private:
  bool OwnsGroupLocked(CDatabase& db, std::int64_t account, std::int64_t groupId);
  std::int64_t GroupOfMessageLocked(CDatabase& db, std::int64_t account, std::int64_t id);

  void CheckQuotaLocked(CDatabase& db, std::int64_t account, const char* table, std::int64_t max);

  CDatabase& m_db;
  TLibraryQuota m_quota;
};

}  // namespace refserver
