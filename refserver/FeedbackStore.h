#pragma once

#include <cstdint>
#include <string>

#include "refserver/Database.h"

namespace refserver {

// Feedback texts sent by operators, kept as they came.
class CFeedbackStore {
 public:
  explicit CFeedbackStore(CDatabase& db);

  std::int64_t Add(std::int64_t account, const std::string& text);
  std::int64_t Count(std::int64_t account);

 private:
  CDatabase& m_db;
};

}  // namespace refserver
