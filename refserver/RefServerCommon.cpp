// Version check, tips, feedback and contact remarks.
#include "refserver/RefServer.h"

#include "refserver/ApiError.h"
#include "refserver/MessageJson.h"

namespace refserver {

void CRefServer::RegisterCommonRoutes() {
  AddFormRoute("common/version.do", {"version"},
               [this](const CFormCall& call) { return CheckVersion(call); });
  AddFormRoute("tipsMsg/getTipsMessage.do", {"tokenId"}, [this](const CFormCall& call) {
    call.Account();
    Json::Value members(Json::objectValue);
    members["obj"] = Json::Value(Json::objectValue);
    if (!m_options.sTip.empty()) members["obj"]["tipsContent"] = m_options.sTip;
    return members;
  });
  AddFormRoute("feedback/addFeedback.do", {"tokenId", "feedbackInfo"},
               [this](const CFormCall& call) {
                 const std::int64_t account = call.Account();
                 m_feedback.Add(account, call.Require("feedbackInfo"));
                 return Json::Value(Json::objectValue);
               });
  AddFormRoute("weChat/getRemarkInfo.do", {"openId", "tokenId"},
               [this](const CFormCall& call) { return GetRemark(call); });
  AddFormRoute("weChat/editRemarkInfo.do", {"remarkId", "openId", "remarkInfo", "tokenId"},
               [this](const CFormCall& call) { return EditRemark(call); });
}

// Top-level "isForceUpdate", "isUpdate" and "downUrl": a client older than the minimum
// version must update, one older than the latest may.
Json::Value CRefServer::CheckVersion(const CFormCall& call) {
  const std::string& version = call.Require("version");
  const bool force =
      !m_options.sMinVersion.empty() && CompareVersions(version, m_options.sMinVersion) < 0;
  const bool offer =
      !m_options.sLatestVersion.empty() && CompareVersions(version, m_options.sLatestVersion) < 0;
  Json::Value members(Json::objectValue);
  members["isForceUpdate"] = force ? 1 : 0;
  members["isUpdate"] = (force || offer) ? 1 : 0;
  members["downUrl"] = m_options.sDownUrl;
  return members;
}

// A contact without a remark gets an "obj" without "remarkId": the client then keeps the
// openId and treats the contact as having no remark ("0" on its next edit).
Json::Value CRefServer::GetRemark(const CFormCall& call) {
  const std::int64_t account = call.Account();
  const auto remark = m_remarks.Find(account, call.Require("openId"));
  Json::Value obj(Json::objectValue);
  obj["remarkInfo"] = remark ? remark->sInfo : std::string();
  if (remark) obj["remarkId"] = Json::Int64(remark->nId);
  Json::Value members(Json::objectValue);
  members["obj"] = obj;
  return members;
}

Json::Value CRefServer::EditRemark(const CFormCall& call) {
  const std::int64_t account = call.Account();
  const std::string& idText = call.Require("remarkId");
  const std::int64_t remarkId = idText == "0" ? 0 : ParseId(idText);
  if (remarkId == 0 && idText != "0") throw CApiError(RC_UNKNOWN_ID, "remarkId");
  const std::int64_t id =
      m_remarks.Edit(account, remarkId, call.Require("openId"), call.RequirePresent("remarkInfo"));
  Json::Value members(Json::objectValue);
  members["obj"] = Json::Int64(id);
  return members;
}

}  // namespace refserver
