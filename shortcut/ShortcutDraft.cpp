#include "shortcut/ShortcutDraft.h"

#include "app/Settings.h"
#include "platform/log/Log.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/Files.h"
#include "platform/win32/Sync.h"
#include "server/ConnServer.h"
#include "server/SignInValues.h"
#include "shortcut/ImageCache.h"
#include "shortcut/ShortcutJson.h"

#include <atomic>
#include <cstdint>

namespace {

// The file name part of a path (after the last "/" or "\").
std::string fileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Reads the picture's bytes once; empty failure text when they are fine.
std::string readPicture(const std::string& path, std::string& bytes) {
  std::uint64_t size = 0;
  std::string error;
  if (!win32::ReadRegularFileHead(path, CImageCache::kMaxPictureBytes + 1, bytes, size, error)) {
    TC_LOGF(TC_LOG_WARN, "picture %s not read: %s", path.c_str(), error.c_str());
    return CShortcutDraft::kPictureUnreadable;
  }
  if (size > CImageCache::kMaxPictureBytes || bytes.size() > CImageCache::kMaxPictureBytes)
    return CShortcutDraft::kPictureTooBig;
  return {};
}

// A private copy of the checked bytes in the per-user folder, under the picture's own
// extension; removed when the upload is over.
class CUploadCopy {
 public:
  explicit CUploadCopy(const std::string& name) {
    static std::atomic<unsigned> serial{0};
    const std::string folder = GetUserDataFolder().str();
    if (folder.empty()) return;
    const size_t dot = name.rfind('.');
    m_strPath = folder + "upload-" + std::to_string(GetTickCount()) + "-" +
                std::to_string(++serial) + (dot == std::string::npos ? "" : name.substr(dot));
  }
  ~CUploadCopy() {
    if (m_bWritten) DeleteFileA(m_strPath.c_str());
  }
  bool Write(const std::string& bytes) {
    m_bWritten = !m_strPath.empty() && win32::WriteFileAtomically(m_strPath, bytes, 0600);
    return m_bWritten;
  }
  const std::string& Path() const { return m_strPath; }

 private:
  std::string m_strPath;
  bool m_bWritten = false;
};

}  // namespace

std::string CShortcutDraft::CheckPicture(const std::string& path, int* width, int* height) {
  std::string bytes;
  const std::string failure = readPicture(path, bytes);
  if (!failure.empty()) return failure;
  win32::TBitmapPixels image;
  if (!win32::ReadImageFile(path, image)) return kPictureUnreadable;
  if (width) *width = image.nWidth;
  if (height) *height = image.nHeight;
  return {};
}

bool CShortcutDraft::UploadPicture(const TDraftItem& item, const TipSink& tip, std::string& name,
                                   std::string& cached, std::string& failure) {
  const std::string fileName = fileNameOf(item.strData);
  if (tip) tip("正在上传图片: " + fileName);
  std::string bytes;
  failure = readPicture(item.strData, bytes);
  if (!failure.empty()) return false;
  CUploadCopy copy(fileName);
  win32::TBitmapPixels image;
  if (!copy.Write(bytes) || !win32::ReadImageFile(copy.Path(), image)) {
    failure = kPictureUnreadable;
    return false;
  }
  CConnServer conn;
  if (conn.UploadPic(GetLoginToken(), copy.Path(), fileName) != 0 || conn.m_strObj.IsEmpty()) {
    TC_LOGF(TC_LOG_WARN, "upload of %s failed: %s", item.strData.c_str(),
            conn.m_strResultMsg.GetData());
    failure = kUploadFailed;
    return false;
  }
  name = conn.m_strObj.str();
  cached = CImageCache::GetCachedImage(name, copy.Path(), false);
  if (!CImageCache::IsCached(cached))
    TC_LOGF(TC_LOG_WARN, "uploaded picture %s not kept in the cache", name.c_str());
  return true;
}

std::string CShortcutDraft::Build(const TipSink& tip, std::string& failure) const {
  Json::Value message(Json::objectValue);
  message["contentTitle"] = strTitle;
  message["leftRange"] = nLeftRange;
  message["rightRange"] = nRightRange;
  if (!strGroupId.empty()) message["msgGroupId"] = strGroupId;
  if (!strContentId.empty()) message["msgContentId"] = strContentId;
  Json::Value details(Json::arrayValue);
  for (const TDraftItem& item : vecItems) {
    if (item.strData.empty()) continue;
    Json::Value entry(Json::objectValue);
    entry["sort"] = item.nSlot;
    if (item.bPicture) {
      std::string name, cached;
      if (!UploadPicture(item, tip, name, cached, failure)) return {};
      entry["detailType"] = CShortcutJson::kPictureItem;
      entry["msgDetail"] = name;
      entry["downLoadURL"] = cached;
    } else {
      entry["detailType"] = CShortcutJson::kTextItem;
      entry["msgDetail"] = item.strData;
    }
    details.append(entry);
  }
  if (details.empty()) {
    failure = kNoContent;
    return {};
  }
  message["msgDetailList"] = details;
  failure.clear();
  return CShortcutJson::Write(message);
}
