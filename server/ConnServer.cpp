#include "server/ConnServer.h"

#include "platform/log/Log.h"
#include "app/Settings.h"
#include "platform/win32/CodePage.h"
#include "server/FormBody.h"
#include "server/ReplyFile.h"
#include "server/ReplyJson.h"
#include "server/ServerAddress.h"
#include "server/ServerTransport.h"

#include <json/value.h>

#include <cerrno>
#include <cstdio>

// What one form operation sends and where its reply goes. A null message means the
// operation sets none for that failure.
struct TFormOperation {
  enum EReset { kNoReset, kResetResult, kResetLogin };

  const char* szPath;
  const char* szReplyFile;
  const char* szMode;
  const char* szFileError;   // the reply file cannot be created (or the body is not text)
  const char* szNetError;    // the transfer failed
  const char* szParseError;  // the reply cannot be read
  EReset eReset;
  int nUnreadable;  // the result for a reply that cannot be read
  std::size_t nMaxReplyBytes = kMaxReplyBytes;
};

namespace {

constexpr const char* kTemplatePath = "zoduda_vudi/quickmsg/template/download.do";
constexpr const char* kUploadPath = "zoduda_vudi/upload/uploadPic.do";
constexpr const char* kUploadParseError = "上传图片失败, 服务器返回数据解析不一致.";
constexpr const char* kDownloadFileError = "下载失败, 请求数据错误.";
constexpr const char* kDownloadNetError = "下载失败, 请检查网络.";

// The quota a successful login reply without "obj" leaves.
constexpr int kDefaultWechatQuantity = 10;

using Op = TFormOperation;

constexpr Op kRegister{"zoduda_vudi/account/register.do",
                       "Register.dat",
                       "wb+",
                       "注册失败, 请求数据错误.",
                       "注册失败, 请检查网络.",
                       "注册失败, 服务器返回数据解析不一致.",
                       Op::kResetResult,
                       -2};
constexpr Op kLogin{"zoduda_vudi/account/login.do",
                    "Login.dat",
                    "wb+",
                    "登录失败, 请求数据错误.",
                    "登录失败, 请检查网络.",
                    "登录失败, 服务器返回数据解析不一致.",
                    Op::kResetLogin,
                    -2};
constexpr Op kSmsForRegister{"zoduda_vudi/account/register/code.do",
                             "SMS.dat",
                             "wb",
                             "请求验证码失败, 数据错误.",
                             "请求验证码失败, 请检查网络.",
                             "请求验证码失败, 服务器返回数据解析不一致.",
                             Op::kNoReset,
                             -1};
constexpr Op kSmsForReset{"zoduda_vudi/account/findpasswd/code.do",
                          "SMS.dat",
                          "wb",
                          "请求验证码失败, 数据错误.",
                          "请求验证码失败, 请检查网络.",
                          "请求验证码失败, 服务器返回数据解析不一致.",
                          Op::kNoReset,
                          -1};
constexpr Op kResetPwd{"zoduda_vudi/account/findpasswd/reset.do",
                       "RstPwd.dat",
                       "wb+",
                       "重置密码失败, 请求数据错误.",
                       "重置密码失败, 请检查网络.",
                       "重置密码失败, 服务器返回数据解析不一致.",
                       Op::kResetResult,
                       -2};

constexpr Op kAddShortcutGrp{"zoduda_vudi/quickMessage/group/add.do",
                             "AddShortcutGrp.dat",
                             "wb+",
                             "添加快捷语组失败, 请求数据错误.",
                             "添加快捷语组失败, 请检查网络.",
                             "添加快捷语组失败, 服务器返回数据解析不一致.",
                             Op::kResetResult,
                             -2};
constexpr Op kEditShortcutGrp{"zoduda_vudi/quickMessage/group/update.do",
                              "EditShortcutGrp.dat",
                              "wb+",
                              "编辑快捷语组失败, 请求数据错误.",
                              "编辑快捷语组失败, 请检查网络.",
                              "编辑快捷语组失败, 服务器返回数据解析不一致.",
                              Op::kResetResult,
                              -2};
// Deleting a message shares the group's reply file and messages.
constexpr Op kDelShortcutGrp{"zoduda_vudi/quickMessage/group/del.do",
                             "DelShortcutGrp.dat",
                             "wb+",
                             "删除快捷语组失败, 请求数据错误.",
                             "删除快捷语组失败, 请检查网络.",
                             "删除快捷语组失败, 服务器返回数据解析不一致.",
                             Op::kResetResult,
                             -2};
constexpr Op kDelShortcutMsg{"zoduda_vudi/quickMessage/del.do",
                             "DelShortcutGrp.dat",
                             "wb+",
                             "删除快捷语组失败, 请求数据错误.",
                             "删除快捷语组失败, 请检查网络.",
                             "删除快捷语组失败, 服务器返回数据解析不一致.",
                             Op::kResetResult,
                             -2};
constexpr Op kAddShortcutMsg{"zoduda_vudi/quickMessage/add.do",
                             "AddShortcut.dat",
                             "wb+",
                             "添加快捷失败, 请求数据错误.",
                             "添加快捷失败, 请检查网络.",
                             "添加快捷失败, 服务器返回数据解析不一致.",
                             Op::kResetResult,
                             -2};
constexpr Op kEditShortcutMsg{"zoduda_vudi/quickMessage/update.do",
                              "EditShortcut.dat",
                              "wb+",
                              "编辑快捷失败, 请求数据错误.",
                              "编辑快捷失败, 请检查网络.",
                              "编辑快捷失败, 服务器返回数据解析不一致.",
                              Op::kResetResult,
                              -2};
constexpr Op kShortcutList{"zoduda_vudi/quickMessage/list.do",
                           "ShortcutList.dat",
                           "wb+",
                           nullptr,
                           nullptr,
                           nullptr,
                           Op::kNoReset,
                           -2,
                           kMaxListReplyBytes};

constexpr Op kQueryVersion{"zoduda_vudi/common/version.do",
                           "Update.dat",
                           "wb+",
                           nullptr,
                           nullptr,
                           nullptr,
                           Op::kNoReset,
                           -1};
constexpr Op kAddFeedback{
    "zoduda_vudi/feedback/addFeedback.do",         "Feedback.dat", "wb", nullptr, nullptr,
    "提交反馈信息失败, 服务器返回数据解析不一致.", Op::kNoReset,   -2};
constexpr Op kTipsMessage{"zoduda_vudi/tipsMsg/getTipsMessage.do",
                          "TipMsg.dat",
                          "wb",
                          nullptr,
                          nullptr,
                          nullptr,
                          Op::kNoReset,
                          -2};
constexpr Op kGetRemarkInfo{
    "zoduda_vudi/weChat/getRemarkInfo.do",         "GetRemarkInfo.dat", "wb", nullptr, nullptr,
    "提交反馈信息失败, 服务器返回数据解析不一致.", Op::kNoReset,        -2};
constexpr Op kEditRemarkInfo{
    "zoduda_vudi/weChat/editRemarkInfo.do",        "EditRemarkInfo.dat", "wb", nullptr, nullptr,
    "提交反馈信息失败, 服务器返回数据解析不一致.", Op::kNoReset,         -2};

void setMessage(CDuiString& target, const char* message) {
  if (message) target = message;
}

// Text members arrive as UTF-8 and are kept in the system code page.
std::string textFrom(const Json::Value& value, const char* key) {
  return Utf8ToAnsi(TextOf(value, key));
}

std::string textMemberOrEmpty(const Json::Value& object, const char* key) {
  const Json::Value* member = FindMember(object, key);
  return member ? textFrom(*member, key) : std::string();
}

}  // namespace

bool CConnServer::Request(CDuiString url, CDuiString data, void* file) {
  return Transfer(url.str(), data.str(), file, TTransferOptions{});
}

bool CConnServer::Transfer(const std::string& url, const std::string& body, void* file,
                           const TTransferOptions& options) {
  std::string address, problem;
  if (!CheckServerAddress(url, address, problem)) return false;
  TC_LOG(TC_LOG_DEBUG, (body.empty() ? "GET " : "POST ") << MaskSecrets(address));
  try {
    return GetServerTransport().Transfer(address, body, static_cast<std::FILE*>(file), options);
  } catch (const std::exception& error) {
    TC_LOG(TC_LOG_ERROR, "Transfer to " << MaskSecrets(address) << " failed: " << error.what());
    return false;
  }
}

// Body, reply file, transfer, then the reply read back into `reply`. False, with the
// operation's message set, on a local or transfer failure.
bool CConnServer::SendForm(const TFormOperation& operation, const CFormBody& body,
                           std::string& reply, std::string* replyPath) {
  const std::string url = GetWebServer().str() + operation.szPath;
  std::string data;
  if (!body.Encode(data)) {
    setMessage(m_strResultMsg, operation.szFileError);
    return false;
  }
  CReplyFile file;
  const std::string target = GetUserDataPath().str() + operation.szReplyFile;
  if (!file.Create(target, operation.szMode)) {
    TC_LOGF(TC_LOG_ERROR, "打开文件(%d)失败: %s.", errno, target.c_str());
    setMessage(m_strResultMsg, operation.szFileError);
    return false;
  }
  const bool sent =
      Transfer(url, data, file.Stream(), TTransferOptions{false, operation.nMaxReplyBytes});
  if (!file.Close() || !sent) {
    setMessage(m_strResultMsg, operation.szNetError);
    return false;
  }
  file.ReadAll(reply);
  if (!file.Commit()) {
    TC_LOGF(TC_LOG_ERROR, "保存文件(%d)失败: %s.", errno, target.c_str());
    setMessage(m_strResultMsg, operation.szFileError);
    return false;
  }
  if (replyPath) *replyPath = target;
  return true;
}

// Parses `reply` and hands it to `readReply`, which returns the operation's result. A reply
// that is not a JSON object, or has a member of the wrong type, leaves the members as they
// were before reading and gives `parseError` (when not null) and `unreadable`.
template <typename ReadReply>
int CConnServer::ReadReplyText(const std::string& reply, const char* parseError, int unreadable,
                               ReadReply&& readReply) {
  const CConnServer before = *this;
  Json::Value root;
  if (ParseReplyObject(reply, root)) {
    try {
      return readReply(root);
    } catch (const CReplyTypeError& error) {
      TC_LOG(TC_LOG_WARN, "Unreadable reply: " << error.what());
      *this = before;
    }
  }
  setMessage(m_strResultMsg, parseError);
  return unreadable;
}

// One form operation: send, reset what the operation resets, read the reply.
template <typename ReadReply>
int CConnServer::RunForm(const TFormOperation& operation, const CFormBody& body,
                         ReadReply&& readReply, std::string* replyPath) {
  try {
    std::string reply;
    if (!SendForm(operation, body, reply, replyPath)) return -1;
    if (operation.eReset == TFormOperation::kResetResult) ResetResult();
    if (operation.eReset == TFormOperation::kResetLogin) ResetLoginMembers();
    return ReadReplyText(reply, operation.szParseError, operation.nUnreadable, readReply);
  } catch (const std::exception& error) {
    TC_LOG(TC_LOG_ERROR, operation.szPath << " failed: " << error.what());
    return -1;
  }
}

void CConnServer::ResetResult() {
  m_nResultCode = 0;
  m_strResultMsg.Empty();
  m_strObj.Empty();
}

void CConnServer::ResetLoginMembers() {
  ResetResult();
  m_strAbout.Empty();
  m_strNotice.Empty();
  m_strWebsite = kVendorWebsite;
  m_strQQ = kVendorSupportQQ;
  m_nWechatQuantity = kDefaultWechatQuantity;
  m_strLoginToken.Empty();
}

void CConnServer::ReadEnvelope(const Json::Value& root) {
  if (const Json::Value* code = FindMember(root, "resultCode"))
    m_nResultCode = Int32Of(*code, "resultCode");
  if (const Json::Value* message = FindMember(root, "resultMsg"))
    m_strResultMsg = textFrom(*message, "resultMsg");
}

// The payload of a failed reply ("obj" or "params") as text into m_strObj.
void CConnServer::ReadFailureText(const Json::Value& root, const char* key) {
  if (m_nResultCode == 1) return;
  if (const Json::Value* payload = FindMember(root, key)) m_strObj = textFrom(*payload, key);
}

// Every member is read, present or not: a missing one gives empty text or 0.
void CConnServer::ReadLoginObj(const Json::Value& obj) {
  ObjectOf(obj, "obj");
  const Json::Value* quantity = FindMember(obj, "wechatQuantity");
  const int wechatQuantity = quantity ? Int32Of(*quantity, "wechatQuantity") : 0;
  m_strAbout = textMemberOrEmpty(obj, "about");
  m_strNotice = textMemberOrEmpty(obj, "notice");
  m_strWebsite = textMemberOrEmpty(obj, "website");
  m_strQQ = textMemberOrEmpty(obj, "qq");
  m_nWechatQuantity = wechatQuantity;
  m_strLoginToken = textMemberOrEmpty(obj, "logintoken");
}

std::string CConnServer::DownloadFile(CDuiString url, CDuiString localPath) {
  TC_TRACE("CConnServer::DownloadFile()");
  try {
    const std::string address = url.IsEmpty() ? GetWebServer().str() + kTemplatePath : url.str();
    CReplyFile file;
    if (localPath.IsEmpty() || !file.Create(localPath.str(), "wb")) {
      TC_LOGF(TC_LOG_ERROR, "打开文件(%d)失败: %s.", errno, localPath.GetData());
      m_strResultMsg = kDownloadFileError;
      return std::string();
    }
    const bool fetched =
        Transfer(address, std::string(), file.Stream(), TTransferOptions{true, kMaxDownloadBytes});
    if (!file.Close() || !fetched) {
      TC_LOGF(TC_LOG_ERROR, "下载文件(%s)失败: %d.", localPath.GetData(), errno);
      m_strResultMsg = kDownloadNetError;
      return std::string();
    }
    if (!file.Commit()) {
      TC_LOGF(TC_LOG_ERROR, "保存文件(%d)失败: %s.", errno, localPath.GetData());
      m_strResultMsg = kDownloadFileError;
      return std::string();
    }
    return localPath.str();
  } catch (const std::exception& error) {
    TC_LOG(TC_LOG_ERROR, "Download of " << url.GetData() << " failed: " << error.what());
    m_strResultMsg = kDownloadNetError;
    return std::string();
  }
}

int CConnServer::Register(CDuiString phone, CDuiString sms, CDuiString password, CDuiString company,
                          CDuiString contactName) {
  TC_TRACE("CConnServer::Register()");
  CFormBody body;
  body.Add("phone", phone.str())
      .Add("password", password.str())
      .Add("company", company.str())
      .Add("contactName", contactName.str())
      .Add("sms", sms.str());
  return RunForm(kRegister, body, [this](const Json::Value& root) {
    ReadEnvelope(root);
    ReadFailureText(root, "params");
    return ResultOfCode();
  });
}

int CConnServer::Login(CDuiString phone, CDuiString password) {
  TC_TRACE("CConnServer::Login()");
  CFormBody body;
  body.Add("phone", phone.str()).Add("password", password.str());
  return RunForm(kLogin, body, [this](const Json::Value& root) {
    ReadEnvelope(root);
    if (const Json::Value* obj = FindMember(root, "obj")) {
      if (m_nResultCode == 1)
        ReadLoginObj(*obj);
      else
        m_strObj = textFrom(*obj, "obj");
    }
    return ResultOfCode();
  });
}

int CConnServer::GetSMS(CDuiString phone, bool forRegister) {
  TC_TRACE("CConnServer::GetSMS()");
  CFormBody body;
  body.Add("phone", phone.str());
  return RunForm(forRegister ? kSmsForRegister : kSmsForReset, body,
                 [this](const Json::Value& root) {
                   ReadEnvelope(root);
                   return FindMember(root, "resultCode") ? m_nResultCode : -1;
                 });
}

int CConnServer::ResetPwd(CDuiString phone, CDuiString sms, CDuiString password) {
  TC_TRACE("CConnServer::ResetPwd()");
  CFormBody body;
  body.Add("phone", phone.str()).Add("password", password.str()).Add("sms", sms.str());
  return RunForm(kResetPwd, body, [this](const Json::Value& root) {
    ReadEnvelope(root);
    if (const Json::Value* params = FindMember(root, "params"))
      m_strObj = textFrom(*params, "params");
    return ResultOfCode();
  });
}

int CConnServer::AddShortcutGrp(CDuiString groupTitle, CDuiString token) {
  TC_TRACE("CConnServer::AddShortcutGrp()");
  CFormBody body;
  body.Add("groupTitle", groupTitle.str()).Add("tokenId", token.str());
  return RunForm(kAddShortcutGrp, body, [this](const Json::Value& root) {
    ReadEnvelope(root);
    int groupId = 0;
    if (const Json::Value* obj = FindMember(root, "obj")) {
      if (m_nResultCode == 1)
        groupId = Int32Of(*obj, "obj");
      else
        m_strObj = textFrom(*obj, "obj");
    }
    return m_nResultCode == 1 ? groupId : -2;
  });
}

int CConnServer::EditShortcutGrp(CDuiString groupId, CDuiString groupTitle, CDuiString token) {
  TC_TRACE("CConnServer::EditShortcutGrp()");
  CFormBody body;
  body.Add("msgGroupId", groupId.str())
      .Add("groupTitle", groupTitle.str())
      .Add("tokenId", token.str());
  return RunForm(kEditShortcutGrp, body, [this](const Json::Value& root) {
    ReadEnvelope(root);
    ReadFailureText(root, "obj");
    return ResultOfCode();
  });
}

int CConnServer::DelShortcut(CDuiString id, CDuiString token, bool isGroup) {
  TC_TRACE("CConnServer::DelShortcut()");
  CFormBody body;
  body.Add(isGroup ? "msgGroupId" : "msgContentId", id.str()).Add("tokenId", token.str());
  return RunForm(isGroup ? kDelShortcutGrp : kDelShortcutMsg, body,
                 [this](const Json::Value& root) {
                   ReadEnvelope(root);
                   ReadFailureText(root, "obj");
                   return ResultOfCode();
                 });
}

int CConnServer::AddShortcutMsg(CDuiString message, std::vector<std::string>& ids,
                                CDuiString token) {
  TC_TRACE("CConnServer::AddShortcutMsg()");
  CFormBody body;
  body.Add("message", message.str()).Add("tokenId", token.str());
  return RunForm(kAddShortcutMsg, body, [this, &ids](const Json::Value& root) {
    ReadEnvelope(root);
    const Json::Value* obj = FindMember(root, "obj");
    if (obj && m_nResultCode != 1) m_strObj = textFrom(*obj, "obj");
    if (m_nResultCode != 1) return -2;
    std::vector<std::string> newIds;
    if (obj && obj->isArray()) {
      // The ids are taken as the server wrote them.
      for (const Json::Value& id : *obj) newIds.push_back(TextOf(id, "obj[]"));
    } else if (obj) {
      m_strObj = textFrom(*obj, "obj");
      newIds.push_back(m_strObj.str());
    }
    ids.insert(ids.end(), newIds.begin(), newIds.end());
    return static_cast<int>(ids.size());
  });
}

int CConnServer::EditShortcutMsg(CDuiString /*contentId*/, CDuiString message, CDuiString token) {
  TC_TRACE("CConnServer::EditShortcutMsg()");
  CFormBody body;
  body.Add("message", message.str()).Add("tokenId", token.str());
  return RunForm(kEditShortcutMsg, body, [this](const Json::Value& root) {
    ReadEnvelope(root);
    ReadFailureText(root, "obj");
    return ResultOfCode();
  });
}

int CConnServer::GetShortcutList(CDuiString token, CDuiString* replyPath) {
  TC_TRACE("CConnServer::GetShortcutList()");
  CFormBody body;
  body.Add("tokenId", token.str());
  std::string replyFile;
  return RunForm(
      kShortcutList, body,
      [this, replyPath, &replyFile](const Json::Value& root) {
        ReadEnvelope(root);
        if (FindMember(root, "msgList")) {
          if (m_nResultCode == 1 && replyPath)
            *replyPath = replyFile;
          else
            ReadFailureText(root, "obj");
        }
        return ResultOfCode();
      },
      &replyFile);
}

int CConnServer::UploadPic(CDuiString token, CDuiString filePath, CDuiString fileName) {
  TC_TRACE("CConnServer::UploadPic()");
  try {
    const std::string url =
        GetWebServer().str() + kUploadPath + "?tokenId=" + FormEncode(AnsiToUtf8(token.str()));
    const std::vector<TMultipartField> fields{{"file", filePath.str(), true},
                                              {"filename", fileName.str(), false}};
    std::string response, address, problem;
    if (CheckServerAddress(url, address, problem))
      PostMultipartFields(response, address, fields, std::string(), std::string());
    // A failed transfer leaves no body and so ends as an unreadable reply.
    return ReadReplyText(response, kUploadParseError, -2, [this](const Json::Value& root) {
      ReadEnvelope(root);
      if (const Json::Value* obj = FindMember(root, "obj")) m_strObj = textFrom(*obj, "obj");
      return ResultOfCode();
    });
  } catch (const std::exception& error) {
    TC_LOG(TC_LOG_ERROR, "Upload of " << filePath.GetData() << " failed: " << error.what());
    m_strResultMsg = kUploadParseError;
    return -2;
  }
}

int CConnServer::QueryVersion(std::string& downUrl, std::string version) {
  TC_TRACE("CConnServer::QueryVersion()");
  CFormBody body;
  body.Add("version", version);
  // The version reply is flat: no envelope is read.
  return RunForm(kQueryVersion, body, [&downUrl](const Json::Value& root) {
    const Json::Value* force = FindMember(root, "isForceUpdate");
    const Json::Value* offer = FindMember(root, "isUpdate");
    const int forceUpdate = force ? Int32Of(*force, "isForceUpdate") : 0;
    const int offerUpdate = offer ? Int32Of(*offer, "isUpdate") : 0;
    if (const Json::Value* url = FindMember(root, "downUrl")) downUrl = textFrom(*url, "downUrl");
    if (forceUpdate >= 1) return 1;
    return offerUpdate >= 1 ? 2 : 0;
  });
}

int CConnServer::AddFeedback(CDuiString token, CDuiString feedbackInfo) {
  TC_TRACE("CConnServer::AddFeedback()");
  CFormBody body;
  body.Add("tokenId", token.str()).Add("feedbackInfo", feedbackInfo.str());
  return RunForm(kAddFeedback, body, [this](const Json::Value& root) {
    ReadEnvelope(root);
    ReadFailureText(root, "obj");
    return ResultOfCode();
  });
}

std::string CConnServer::GetTipsMessage(CDuiString token) {
  TC_TRACE("CConnServer::GetTipsMessage()");
  CFormBody body;
  body.Add("tokenId", token.str());
  std::string tip;
  RunForm(kTipsMessage, body, [this, &tip](const Json::Value& root) {
    ReadEnvelope(root);
    const Json::Value* obj = FindMember(root, "obj");
    if (m_nResultCode == 1 && obj) {
      if (const Json::Value* content = FindMember(ObjectOf(*obj, "obj"), "tipsContent")) {
        m_strObj = textFrom(*content, "tipsContent");
        tip = m_strObj.str();
      }
    }
    return ResultOfCode();
  });
  return tip;
}

int CConnServer::GetRemarkInfo(CDuiString* openIdAndRemarkId, CDuiString token,
                               CDuiString* remarkInfo) {
  TC_TRACE("CConnServer::GetRemarkInfo()");
  if (!openIdAndRemarkId || !remarkInfo) {
    TC_LOG(TC_LOG_ERROR, "GetRemarkInfo without an openId or a remark to fill.");
    return -1;
  }
  CFormBody body;
  body.Add("openId", openIdAndRemarkId->str()).Add("tokenId", token.str());
  return RunForm(kGetRemarkInfo, body, [&](const Json::Value& root) {
    ReadEnvelope(root);
    const Json::Value* obj = FindMember(root, "obj");
    if (m_nResultCode != 1 || !obj) return ResultOfCode();
    ObjectOf(*obj, "obj");
    const Json::Value* remarkId = FindMember(*obj, "remarkId");
    const Json::Value* remark = FindMember(*obj, "remarkInfo");
    if (remarkId && IsInt32(*remarkId)) *openIdAndRemarkId = std::to_string(remarkId->asInt());
    if (remark && remark->isString()) *remarkInfo = Utf8ToAnsi(remark->asString());
    return ResultOfCode();
  });
}

int CConnServer::EditRemarkInfo(CDuiString* remarkId, CDuiString openId, CDuiString remarkInfo,
                                CDuiString token) {
  TC_TRACE("CConnServer::EditRemarkInfo()");
  if (!remarkId) {
    TC_LOG(TC_LOG_ERROR, "EditRemarkInfo without a remark id.");
    return -1;
  }
  CFormBody body;
  body.Add("remarkId", remarkId->str())
      .Add("openId", openId.str())
      .Add("remarkInfo", remarkInfo.str())
      .Add("tokenId", token.str());
  return RunForm(kEditRemarkInfo, body, [this, remarkId](const Json::Value& root) {
    ReadEnvelope(root);
    const Json::Value* obj = FindMember(root, "obj");
    // Only a new remark ("0") takes the id the server made for it.
    if (m_nResultCode == 1 && *remarkId == "0" && obj && IsInt32(*obj))
      *remarkId = std::to_string(obj->asInt());
    return ResultOfCode();
  });
}
