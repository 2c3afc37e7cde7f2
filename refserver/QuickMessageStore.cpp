#include "refserver/QuickMessageStore.h"

#include "refserver/ApiError.h"
#include "refserver/MessageJson.h"

#include <map>

namespace refserver {

namespace {

std::int64_t requireId(const Json::Value& message, const char* key) {
  if (!message.isMember(key) || message[key].isNull()) throw CApiError(RC_MISSING_FIELD, key);
  const std::int64_t id = ParseId(message[key]);
  if (id == 0) throw CApiError(RC_UNKNOWN_ID, key);
  return id;
}

void checkTitle(const std::string& title) {
  if (title.empty()) throw CApiError(RC_MISSING_FIELD, "groupTitle");
}

}  // namespace

CQuickMessageStore::CQuickMessageStore(CDatabase& db, TLibraryQuota quota)
    : m_db(db), m_quota(quota) {}

void CQuickMessageStore::CheckQuotaLocked(CDatabase& db, std::int64_t account, const char* table,
                                          std::int64_t max) {
  auto st = db.Prepare(std::string("SELECT COUNT(*) FROM ") + table + " WHERE account_id = ?");
  st.Bind(1, account);
  if (st.Step() && st.Int64(0) >= max) throw CApiError(RC_QUOTA_EXCEEDED, std::to_string(max));
}

std::int64_t CQuickMessageStore::AddGroup(std::int64_t account, const std::string& title) {
  checkTitle(title);
  std::int64_t id = 0;
  m_db.Transaction([&](CDatabase& db) {
    CheckQuotaLocked(db, account, "msg_groups", m_quota.nMaxGroups);
    db.Prepare("INSERT INTO msg_groups(account_id, title) VALUES(?, ?)")
        .Bind(1, account)
        .Bind(2, title)
        .Run();
    id = db.LastInsertId();
  });
  return id;
}

void CQuickMessageStore::RenameGroup(std::int64_t account, std::int64_t groupId,
                                     const std::string& title) {
  checkTitle(title);
  m_db.Transaction([&](CDatabase& db) {
    db.Prepare("UPDATE msg_groups SET title = ? WHERE id = ? AND account_id = ?")
        .Bind(1, title)
        .Bind(2, groupId)
        .Bind(3, account)
        .Run();
    if (db.Changes() == 0) throw CApiError(RC_UNKNOWN_ID, std::to_string(groupId));
  });
}

void CQuickMessageStore::DeleteGroup(std::int64_t account, std::int64_t groupId) {
  m_db.Transaction([&](CDatabase& db) {
    if (!OwnsGroupLocked(db, account, groupId))
      throw CApiError(RC_UNKNOWN_ID, std::to_string(groupId));
    db.Prepare("DELETE FROM messages WHERE group_id = ?").Bind(1, groupId).Run();
    db.Prepare("DELETE FROM msg_groups WHERE id = ?").Bind(1, groupId).Run();
  });
}

std::int64_t CQuickMessageStore::AddMessage(std::int64_t account, Json::Value message) {
  const std::int64_t groupId = requireId(message, "msgGroupId");
  message.removeMember("msgContentId");
  std::int64_t id = 0;
  m_db.Transaction([&](CDatabase& db) {
    if (!OwnsGroupLocked(db, account, groupId))
      throw CApiError(RC_UNKNOWN_ID, std::to_string(groupId));
    CheckQuotaLocked(db, account, "messages", m_quota.nMaxMessages);
    db.Prepare("INSERT INTO messages(account_id, group_id, body) VALUES(?, ?, '')")
        .Bind(1, account)
        .Bind(2, groupId)
        .Run();
    id = db.LastInsertId();
    message["msgContentId"] = std::to_string(id);
    message["msgGroupId"] = std::to_string(groupId);
    db.Prepare("UPDATE messages SET body = ? WHERE id = ?")
        .Bind(1, WriteCompact(message))
        .Bind(2, id)
        .Run();
  });
  return id;
}

void CQuickMessageStore::UpdateMessage(std::int64_t account, Json::Value message) {
  const std::int64_t id = requireId(message, "msgContentId");
  const bool moves =
      message.isMember("msgGroupId") && !message["msgGroupId"].isNull() &&
      !(message["msgGroupId"].isString() && message["msgGroupId"].asString().empty());
  const std::int64_t newGroup = moves ? requireId(message, "msgGroupId") : 0;
  m_db.Transaction([&](CDatabase& db) {
    const std::int64_t oldGroup = GroupOfMessageLocked(db, account, id);
    if (oldGroup == 0) throw CApiError(RC_UNKNOWN_ID, std::to_string(id));
    const std::int64_t groupId = moves ? newGroup : oldGroup;
    if (moves && !OwnsGroupLocked(db, account, groupId))
      throw CApiError(RC_UNKNOWN_ID, std::to_string(groupId));
    message["msgContentId"] = std::to_string(id);
    message["msgGroupId"] = std::to_string(groupId);
    db.Prepare("UPDATE messages SET body = ?, group_id = ? WHERE id = ?")
        .Bind(1, WriteCompact(message))
        .Bind(2, groupId)
        .Bind(3, id)
        .Run();
  });
}

void CQuickMessageStore::DeleteMessage(std::int64_t account, std::int64_t messageId) {
  m_db.Transaction([&](CDatabase& db) {
    db.Prepare("DELETE FROM messages WHERE id = ? AND account_id = ?")
        .Bind(1, messageId)
        .Bind(2, account)
        .Run();
    if (db.Changes() == 0) throw CApiError(RC_UNKNOWN_ID, std::to_string(messageId));
  });
}

std::vector<TStoredGroup> CQuickMessageStore::List(std::int64_t account) {
  std::vector<TStoredGroup> groups;
  m_db.Transaction([&](CDatabase& db) {
    std::map<std::int64_t, size_t> indexOfGroup;
    auto st = db.Prepare("SELECT id, title FROM msg_groups WHERE account_id = ? ORDER BY id");
    st.Bind(1, account);
    while (st.Step()) {
      indexOfGroup[st.Int64(0)] = groups.size();
      groups.push_back({st.Int64(0), st.Text(1), {}});
    }
    auto mt = db.Prepare(
        "SELECT id, group_id, body FROM messages WHERE account_id = ? "
        "ORDER BY id");
    mt.Bind(1, account);
    while (mt.Step()) {
      const auto it = indexOfGroup.find(mt.Int64(1));
      if (it != indexOfGroup.end())
        groups[it->second].vecMessages.push_back({mt.Int64(0), mt.Text(2)});
    }
  });
  return groups;
}

bool CQuickMessageStore::OwnsGroupLocked(CDatabase& db, std::int64_t account,
                                         std::int64_t groupId) {
  auto st = db.Prepare("SELECT 1 FROM msg_groups WHERE id = ? AND account_id = ?");
  st.Bind(1, groupId).Bind(2, account);
  return st.Step();
}

std::int64_t CQuickMessageStore::GroupOfMessageLocked(CDatabase& db, std::int64_t account,
                                                      std::int64_t id) {
  auto st = db.Prepare("SELECT group_id FROM messages WHERE id = ? AND account_id = ?");
  st.Bind(1, id).Bind(2, account);
  return st.Step() ? st.Int64(0) : 0;
}

}  // namespace refserver
