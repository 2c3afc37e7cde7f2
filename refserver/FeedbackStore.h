// Feedback texts sent by operators, kept as they came.
//
// Safe from every request thread (each call is a transaction); the database and the
// clock are the server's and outlive this.
#pragma once

#include "refserver/Clock.h"
#include "refserver/Database.h"

#include <cstdint>
#include <string>

namespace refserver {

class CFeedbackStore {
 public:
  CFeedbackStore(CDatabase& db, const IClock& clock);

  std::int64_t Add(std::int64_t account, const std::string& text);
  std::int64_t Count(std::int64_t account);

 private:
  CDatabase& m_db;
  const IClock& m_clock;
};

}  // namespace refserver
