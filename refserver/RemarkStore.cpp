#include "refserver/RemarkStore.h"

#include "refserver/ApiError.h"

namespace refserver {

CRemarkStore::CRemarkStore(CDatabase& db) : m_db(db) {}

std::optional<TRemark> CRemarkStore::Find(std::int64_t account, const std::string& openId) {
  std::optional<TRemark> remark;
  m_db.Transaction([&](CDatabase& db) {
    auto st = db.Prepare("SELECT id, info FROM remarks WHERE account_id = ? AND open_id = ?");
    st.Bind(1, account).Bind(2, openId);
    if (st.Step()) remark = TRemark{st.Int64(0), st.Text(1)};
  });
  return remark;
}

std::int64_t CRemarkStore::Edit(std::int64_t account, std::int64_t remarkId,
                                const std::string& openId, const std::string& info) {
  std::int64_t id = remarkId;
  m_db.Transaction([&](CDatabase& db) {
    if (remarkId == 0) {
      db.Prepare(
            "INSERT INTO remarks(account_id, open_id, info) VALUES(?, ?, ?) "
            "ON CONFLICT(account_id, open_id) DO UPDATE SET info = excluded.info")
          .Bind(1, account)
          .Bind(2, openId)
          .Bind(3, info)
          .Run();
      auto st = db.Prepare("SELECT id FROM remarks WHERE account_id = ? AND open_id = ?");
      st.Bind(1, account).Bind(2, openId);
      id = st.Step() ? st.Int64(0) : 0;
      return;
    }
    {
      auto own = db.Prepare("SELECT 1 FROM remarks WHERE id = ? AND account_id = ?");
      own.Bind(1, remarkId).Bind(2, account);
      if (!own.Step()) throw CApiError(RC_UNKNOWN_ID, std::to_string(remarkId));
    }
    // The contact may have a remark of its own already: one note per contact.
    auto taken =
        db.Prepare("SELECT id FROM remarks WHERE account_id = ? AND open_id = ? AND id != ?");
    taken.Bind(1, account).Bind(2, openId).Bind(3, remarkId);
    if (taken.Step()) throw CApiError(RC_REMARK_TAKEN, openId);
    db.Prepare("UPDATE remarks SET info = ?, open_id = ? WHERE id = ? AND account_id = ?")
        .Bind(1, info)
        .Bind(2, openId)
        .Bind(3, remarkId)
        .Bind(4, account)
        .Run();
    if (db.Changes() == 0) throw CApiError(RC_UNKNOWN_ID, std::to_string(remarkId));
  });
  return id;
}

}  // namespace refserver
