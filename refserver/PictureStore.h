// Uploaded pictures: files in <data>/pictures named by 128 random bits in hex plus the
// upload's extension, with a row per picture in the database. The name is what the client
// keeps in its message; it holds no "/" and cannot leave the folder. A file is written as
// "<name>.part" and renamed when whole; parts left by a killed server go at the next start.
//
// Safe from every request thread: a picture's file is written under its own new name and
// its row in a transaction. The database and the clock are the server's and outlive this.
#pragma once

#include "refserver/Clock.h"
#include "refserver/Database.h"

#include <cstdint>
#include <string>

namespace refserver {

// Largest picture accepted: 2 MiB exactly; one byte more is refused.
inline constexpr size_t kMaxPictureBytes = 2 * 1024 * 1024;

class CPictureStore {
 public:
  // maxBytes: the pictures an account may keep, in bytes.
  CPictureStore(CDatabase& db, const IClock& clock, std::string folder,
                std::int64_t maxBytes = std::int64_t{1} << 30);

  // Stores the bytes and returns the new name. RC_PICTURE_TOO_LARGE above the limit,
  // RC_QUOTA_EXCEEDED past the account's bytes, RC_DISK_FULL when the disk is,
  // RC_BAD_UPLOAD for an empty file or another write failure.
  std::string Store(std::int64_t account, const std::string& bytes,
                    const std::string& originalName);
  // Reads a stored picture; false for a malformed or unknown name.
  bool Load(const std::string& name, std::string& bytes) const;

  static bool IsValidName(const std::string& name);
  static const char* ContentType(const std::string& name);

 private:
  CDatabase& m_db;
  const IClock& m_clock;
  std::string m_sFolder;
  std::int64_t m_nMaxBytes;
};

}  // namespace refserver
