// What the editor is about to save: the title, the range, the group and message ids and the
// items of the used slots, taken from the window on the GUI thread, then turned into the
// message object on the save worker (Build), which uploads every picture item.
//
// A picture is checked again when it is uploaded, because the file may have changed since
// the operator picked it: its bytes are read once (a FIFO or a folder is refused without
// blocking), must hold at most 2 MiB and be a picture; exactly those bytes are uploaded and
// put into the picture cache, so what is sent later is what was checked. A picture that
// fails gives the picker's message and nothing is saved.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct TDraftItem {
  int nSlot = 0;          // 1 to 5
  bool bPicture = false;  // a picture item (data = its path) or a text item
  std::string strData;    // the segment list JSON, or the picture file's full path
};

class CShortcutDraft {
 public:
  static constexpr const char* kNoContent = "请输入快捷语内容.";
  static constexpr const char* kUploadFailed = "上传图片失败.";
  static constexpr const char* kPictureUnreadable =
      "图片文件数据解析失败,请确认是否为正确图片文件.";
  static constexpr const char* kPictureTooBig = "图片文件大于2M,请重新选择合适的图片文件.";

  // Receives the texts shown while building ("正在上传图片: a.png"); any thread.
  using TipSink = std::function<void(const std::string&)>;

  std::string strTitle;
  int nLeftRange = 0;
  int nRightRange = 0;
  std::string strGroupId;            // empty: no msgGroupId
  std::string strContentId;          // empty: a new message (no msgContentId)
  std::vector<TDraftItem> vecItems;  // in slot order

  // The message object, compact; empty with `failure` set when there is no item, a picture
  // fails its check or an upload fails. Uploads with the login token; may block for the
  // length of the requests.
  std::string Build(const TipSink& tip, std::string& failure) const;

  // Checks a picture file: readable, a regular file, at most 2 MiB, a picture. Empty when it
  // passes (with its size in pixels), else the message to show.
  static std::string CheckPicture(const std::string& path, int* width = nullptr,
                                  int* height = nullptr);

 private:
  // Uploads the picture of `item`; false with `failure` set. `name` receives the server's
  // picture name, `cached` the cache path.
  static bool UploadPicture(const TDraftItem& item, const TipSink& tip, std::string& name,
                            std::string& cached, std::string& failure);
};
