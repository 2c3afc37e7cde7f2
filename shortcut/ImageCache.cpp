#include "shortcut/ImageCache.h"

#include "app/Settings.h"
#include "platform/log/Log.h"
#include "platform/win32/Files.h"
#include "server/ConnServer.h"

#include <algorithm>

namespace {

// Size of a regular file, or -1 when there is none at the path.
long long regularFileSize(const std::string& path) {
  if (path.empty()) return -1;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return -1;
  WIN32_FIND_DATAA data{};
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return -1;
  FindClose(find);
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool isControlByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

}  // namespace

std::string CImageCache::Folder() {
  const CDuiString base = GetUserDataFolder();
  if (base.IsEmpty()) return {};
  const std::string folder = base.str() + "Images/";
  if (!PathFileExistsA(folder.c_str()) && !CreateDirectoryA(folder.c_str(), nullptr)) {
    TC_LOGF(TC_LOG_ERROR, "cannot create the picture cache %s", folder.c_str());
    return {};
  }
  return folder;
}

std::string CImageCache::SafeName(const std::string& name) {
  std::string file = name;
  file.erase(std::remove(file.begin(), file.end(), '/'), file.end());
  if (file.empty() || file == "." || file == "..") return {};
  const bool unsafe =
      std::any_of(file.begin(), file.end(), [](char c) { return c == '\\' || isControlByte(c); });
  return unsafe ? std::string() : file;
}

std::string CImageCache::GetCachedImage(const std::string& name, const std::string& source,
                                        bool download) {
  const std::string file = SafeName(name);
  if (file.empty()) {
    TC_LOGF(TC_LOG_WARN, "picture name refused for the cache: \"%s\"", name.c_str());
    return {};
  }
  const std::string folder = Folder();
  if (folder.empty()) return {};
  const std::string path = folder + file;
  if (PathFileExistsA(path.c_str())) return path;
  if (download) {
    CConnServer conn;
    if (conn.DownloadFile(source, path).empty())
      TC_LOGF(TC_LOG_WARN, "picture %s not fetched from %s: %s", file.c_str(), source.c_str(),
              conn.m_strResultMsg.GetData());
  } else if (!CopyFileA(source.c_str(), path.c_str(), TRUE)) {
    TC_LOGF(TC_LOG_WARN, "picture %s not copied from %s", file.c_str(), source.c_str());
  }
  return path;
}

bool CImageCache::IsCached(const std::string& path) {
  return regularFileSize(path) > 0;
}

bool CImageCache::IsPictureSizeAllowed(const std::string& path) {
  const long long size = regularFileSize(path);
  return size >= 0 && static_cast<std::uintmax_t>(size) <= kMaxPictureBytes;
}
