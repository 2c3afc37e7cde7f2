// Each account's remark notes on WeChat contacts, one per contact (openId).
//
// Safe from every request thread: each call is one transaction. The database is the
// server's and outlives this.
#pragma once

#include "refserver/Database.h"

#include <cstdint>
#include <optional>
#include <string>

namespace refserver {

struct TRemark {
  std::int64_t nId = 0;
  std::string sInfo;
};

class CRemarkStore {
 public:
  explicit CRemarkStore(CDatabase& db);

  std::optional<TRemark> Find(std::int64_t account, const std::string& openId);
  // remarkId 0 creates the contact's remark (or updates it when the contact already has
  // one, so a repeated create never makes a second note); any other id updates that
  // remark, which must be the account's (RC_UNKNOWN_ID otherwise) and may not move to a
  // contact that has another remark (RC_REMARK_TAKEN). Returns the id.
  std::int64_t Edit(std::int64_t account, std::int64_t remarkId, const std::string& openId,
                    const std::string& info);

 private:
  CDatabase& m_db;
};

}  // namespace refserver
