// The client of the vendor's HTTP server. A caller makes a CConnServer for one user action,
// calls one operation (at times two), reads the result members and drops the object.
//
// Every form operation: the address is the configured base address (sys.cfg, read anew
// each time) followed by the operation's path; the body is the operation's keys and values
// in a fixed order, form-encoded as UTF-8 (an empty body makes a GET); the reply body goes
// to the operation's reply file in the per-user data folder and is then read as the JSON
// envelope {"resultCode", "resultMsg", "obj" | "params"}.
//
// At the edge: nothing is sent unless the reply file can be created and the target replaced
// (a folder or a read-only file there fails first, with the operation's first message), and
// the address is absolute http or https. A redirect fails a form request; a reply over its
// limit (1 MiB, the list 64 MiB, after decompression) fails the transfer and keeps no file.
// Replies are written 0600. Consecutive requests of one thread share a connection.
//
// Results: 0 success ("resultCode" 1), -2 a failure the server reported or a reply that
// could not be read, -1 a local failure or a failed transfer; operations that differ say so.
// A failure leaves a fixed message in m_strResultMsg (or the server's own). No operation
// throws. One object is used by one thread at a time; any number of objects may work at
// once on different threads.
#pragma once

#include "platform/ui/core/DuiString.h"

#include <string>
#include <vector>

using DuiLib::CDuiString;

struct TFormOperation;
struct TTransferOptions;
class CFormBody;
namespace Json {
class Value;
}

// The results above, by name.
inline constexpr int kConnSucceeded = 0;
inline constexpr int kConnFailedHere = -1;  // a local failure or a failed transfer
inline constexpr int kConnRefused = -2;     // reported by the server, or an unreadable reply

class CConnServer {
 public:
  // The vendor's web site and support number: the login defaults and the sign-in values
  // before any sign-in.
  static constexpr const char* kVendorWebsite = "http://www.orvo2.example/";
  static constexpr const char* kVendorSupportQQ = "400-000-0000";

  // One transfer: `data` (UTF-8, empty for a GET) to `url`; the reply body (at most 1 MiB)
  // is written to `file`, an open writable FILE*. True when the transfer completed with any
  // HTTP status but a redirect, which is not followed. Nothing is sent to an address that is
  // not absolute http or https. Touches no member.
  bool Request(CDuiString url, CDuiString data, void* file);

  // Fetches `url` (empty: the quick-message import template) into `localPath`, following
  // up to 5 redirects. The file appears (0600) only when the whole body, at most 32 MiB,
  // arrived with a final 2xx status. Returns `localPath`, or an empty string with
  // m_strResultMsg set.
  std::string DownloadFile(CDuiString url, CDuiString localPath);

  // Accounts.
  int Register(CDuiString phone, CDuiString sms, CDuiString password, CDuiString company,
               CDuiString contactName);
  int Login(CDuiString phone, CDuiString password);
  // Returns the server's "resultCode" itself (1: the code was sent); -1 without one.
  int GetSMS(CDuiString phone, bool forRegister);
  int ResetPwd(CDuiString phone, CDuiString sms, CDuiString password);

  // Quick messages.
  // On success returns the new group's id ("obj", 0 when absent).
  int AddShortcutGrp(CDuiString groupTitle, CDuiString token);
  int EditShortcutGrp(CDuiString groupId, CDuiString groupTitle, CDuiString token);
  int DelShortcut(CDuiString id, CDuiString token, bool isGroup);
  // On success appends the new ids to `ids` and returns its size.
  int AddShortcutMsg(CDuiString message, std::vector<std::string>& ids, CDuiString token);
  // The content id is not sent: the server finds the message inside `message`.
  int EditShortcutMsg(CDuiString contentId, CDuiString message, CDuiString token);
  // On success with a "msgList", *replyPath receives the reply file's full path.
  int GetShortcutList(CDuiString token, CDuiString* replyPath);
  // On success m_strObj holds the server's reference to the stored picture.
  int UploadPic(CDuiString token, CDuiString filePath, CDuiString fileName);

  // Other operations.
  // 1: an update is required, 2: one is offered, 0: current, -1: the check failed.
  int QueryVersion(std::string& downUrl, std::string version);
  int AddFeedback(CDuiString token, CDuiString feedbackInfo);
  // The current tip, or an empty string.
  std::string GetTipsMessage(CDuiString token);
  // *openIdAndRemarkId: the contact's openId in, the remark id (decimal) out when the server
  // has a remark.
  int GetRemarkInfo(CDuiString* openIdAndRemarkId, CDuiString token, CDuiString* remarkInfo);
  // *remarkId "0" creates the remark and receives its new id; another id updates that remark.
  int EditRemarkInfo(CDuiString* remarkId, CDuiString openId, CDuiString remarkInfo,
                     CDuiString token);

  int m_nResultCode = 0;
  CDuiString m_strResultMsg;
  CDuiString m_strObj;
  CDuiString m_strAbout;
  CDuiString m_strNotice;
  CDuiString m_strWebsite;
  CDuiString m_strQQ;
  int m_nWechatQuantity = 0;
  CDuiString m_strLoginToken;

 private:
  template <typename ReadReply>
  int ReadReplyText(const std::string& reply, const char* parseError, int unreadable,
                    ReadReply&& readReply);
  template <typename ReadReply>
  int RunForm(const TFormOperation& operation, const CFormBody& body, ReadReply&& readReply,
              std::string* replyPath = nullptr);
  bool SendForm(const TFormOperation& operation, const CFormBody& body, std::string& reply,
                std::string* replyPath);
  bool Transfer(const std::string& url, const std::string& body, void* file,
                const TTransferOptions& options);

  void ResetResult();
  void ResetLoginMembers();
  void ReadEnvelope(const Json::Value& root);
  void ReadFailureText(const Json::Value& root, const char* key);
  void ReadLoginObj(const Json::Value& obj);
  int ResultOfCode() const { return m_nResultCode == 1 ? 0 : -2; }
};
