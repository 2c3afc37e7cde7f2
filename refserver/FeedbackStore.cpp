#include "refserver/FeedbackStore.h"

namespace refserver {

CFeedbackStore::CFeedbackStore(CDatabase& db, const IClock& clock) : m_db(db), m_clock(clock) {}

std::int64_t CFeedbackStore::Add(std::int64_t account, const std::string& text) {
  std::int64_t id = 0;
  m_db.Transaction([&](CDatabase& db) {
    db.Prepare("INSERT INTO feedback(account_id, text, created_at) VALUES(?, ?, ?)")
        .Bind(1, account)
        .Bind(2, text)
        .Bind(3, m_clock.UnixSeconds())
        .Run();
    id = db.LastInsertId();
  });
  return id;
}

std::int64_t CFeedbackStore::Count(std::int64_t account) {
  std::int64_t count = 0;
  m_db.Transaction([&](CDatabase& db) {
    auto st = db.Prepare("SELECT COUNT(*) FROM feedback WHERE account_id = ?");
    st.Bind(1, account);
    if (st.Step()) count = st.Int64(0);
  });
  return count;
}

}  // namespace refserver
