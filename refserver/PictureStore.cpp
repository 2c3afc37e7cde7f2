#include "refserver/PictureStore.h"

#include "refserver/ApiError.h"
#include "refserver/PasswordHasher.h"
#include "refserver/PrivateFiles.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>

namespace refserver {

namespace {

constexpr size_t kNameHexChars = 32;
constexpr size_t kMaxExtensionChars = 5;

bool isLowerAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The upload's extension in lower case when it is short and plain, else "".
std::string extensionOf(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) return {};
  std::string ext = fileName.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext.empty() || ext.size() > kMaxExtensionChars ||
      !std::all_of(ext.begin(), ext.end(), isLowerAlnum))
    return {};
  return ext;
}

// Writes the file completely and flushes it to disk before it gets its final name, so a
// killed server never leaves a half picture under a name the database knows.
// 0 on success, else the errno of the failure.
int writeFileDurably(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".part";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return errno;
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      ::close(fd);
      ::unlink(temp.c_str());
      return error;
    }
    written += static_cast<size_t>(n);
  }
  const int synced = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  const int renamed = synced == 0 && std::rename(temp.c_str(), path.c_str()) != 0 ? errno : 0;
  if (synced != 0 || renamed != 0) {
    ::unlink(temp.c_str());
    return synced != 0 ? synced : renamed;
  }
  return 0;
}

std::int64_t storedBytesLocked(CDatabase& db, std::int64_t account) {
  auto st = db.Prepare("SELECT COALESCE(SUM(size), 0) FROM pictures WHERE account_id = ?");
  st.Bind(1, account);
  return st.Step() ? st.Int64(0) : 0;
}

}  // namespace

CPictureStore::CPictureStore(CDatabase& db, const IClock& clock, std::string folder,
                             std::int64_t maxBytes)
    : m_db(db), m_clock(clock), m_sFolder(std::move(folder)), m_nMaxBytes(maxBytes) {
  MakePrivateFolder(m_sFolder);
  // A picture being written when the server was killed: no row names it, nobody can ask
  // for it, and its name is never made again.
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(m_sFolder, error))
    if (entry.path().extension() == ".part") std::filesystem::remove(entry.path(), error);
}

std::string CPictureStore::Store(std::int64_t account, const std::string& bytes,
                                 const std::string& originalName) {
  if (bytes.size() > kMaxPictureBytes)
    throw CApiError(RC_PICTURE_TOO_LARGE, std::to_string(bytes.size()));
  if (bytes.empty()) throw CApiError(RC_BAD_UPLOAD, "file");
  const std::string ext = extensionOf(originalName);
  const std::string name =
      CPasswordHasher::RandomHex(kNameHexChars / 2) + (ext.empty() ? std::string() : "." + ext);
  const auto size = static_cast<std::int64_t>(bytes.size());
  // Checked before the write, so that a full account costs no disk, and again with the row,
  // so that uploads at once cannot pass the quota together.
  m_db.Transaction([&](CDatabase& db) {
    if (storedBytesLocked(db, account) + size > m_nMaxBytes)
      throw CApiError(RC_QUOTA_EXCEEDED, std::to_string(m_nMaxBytes));
  });
  const std::string path = m_sFolder + "/" + name;
  if (const int error = writeFileDurably(path, bytes); error != 0)
    throw CApiError(
        error == ENOSPC || error == EDQUOT || error == EFBIG ? RC_DISK_FULL : RC_BAD_UPLOAD,
        "write");
  try {
    m_db.Transaction([&](CDatabase& db) {
      if (storedBytesLocked(db, account) + size > m_nMaxBytes)
        throw CApiError(RC_QUOTA_EXCEEDED, std::to_string(m_nMaxBytes));
      db.Prepare("INSERT INTO pictures(name, account_id, size, created_at) VALUES(?, ?, ?, ?)")
          .Bind(1, name)
          .Bind(2, account)
          .Bind(3, size)
          .Bind(4, m_clock.UnixSeconds())
          .Run();
    });
  } catch (...) {
    ::unlink(path.c_str());
    throw;
  }
  return name;
}

bool CPictureStore::Load(const std::string& name, std::string& bytes) const {
  if (!IsValidName(name)) return false;
  bool known = false;
  m_db.Transaction([&](CDatabase& db) {
    auto st = db.Prepare("SELECT 1 FROM pictures WHERE name = ?");
    st.Bind(1, name);
    known = st.Step();
  });
  if (!known) return false;
  std::ifstream in(m_sFolder + "/" + name, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool CPictureStore::IsValidName(const std::string& name) {
  if (name.size() < kNameHexChars) return false;
  const auto isHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
  if (!std::all_of(name.begin(), name.begin() + kNameHexChars, isHex)) return false;
  if (name.size() == kNameHexChars) return true;
  const std::string ext = name.substr(kNameHexChars + 1);
  return name[kNameHexChars] == '.' && !ext.empty() && ext.size() <= kMaxExtensionChars &&
         std::all_of(ext.begin(), ext.end(), isLowerAlnum);
}

const char* CPictureStore::ContentType(const std::string& name) {
  const std::string ext = extensionOf(name);
  if (ext == "png") return "image/png";
  if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
  if (ext == "gif") return "image/gif";
  if (ext == "bmp") return "image/bmp";
  return "application/octet-stream";
}

}  // namespace refserver
