#pragma once

#include <cstdint>
#include <string>

#include "refserver/Database.h"

namespace refserver {

// Largest picture accepted: 2 MiB exactly; one byte more is refused.
inline constexpr size_t kMaxPictureBytes = 2 * 1024 * 1024;

// Uploaded pictures: files in <data>/pictures named by 128 random bits in hex plus the
// upload's extension, with a row per picture in the database. The name is what the client
// keeps in its message; it holds no "/" and cannot leave the folder.
class CPictureStore {
 public:
  CPictureStore(CDatabase& db, std::string folder);

  // Stores the bytes and returns the new name. RC_PICTURE_TOO_LARGE above the limit,
  // RC_BAD_UPLOAD for an empty file or a write failure.
  std::string Store(std::int64_t account, const std::string& bytes,
                    const std::string& originalName);
  // Reads a stored picture; false for a malformed or unknown name.
  bool Load(const std::string& name, std::string& bytes) const;

  static bool IsValidName(const std::string& name);
  static const char* ContentType(const std::string& name);

 private:
  CDatabase& m_db;
  std::string m_sFolder;
};

}  // namespace refserver
