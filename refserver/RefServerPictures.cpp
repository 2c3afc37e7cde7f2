// Picture upload and download, and the import template download.
#include "refserver/RefServer.h"

#include "refserver/ApiError.h"
#include "refserver/MessageJson.h"

#include <httplib.h>

namespace refserver {

namespace {

constexpr const char* kXlsxType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";

}  // namespace

void CRefServer::RegisterPictureRoutes() {
  AddRawRoute(
      true, "/zoduda_vudi/upload/uploadPic.do",
      [this](const httplib::Request& req, httplib::Response& res) { return RunUpload(req, res); });
  AddRawRoute(false, R"(/zoduda_vudi/upload/pic/([^/]+))",
              [this](const httplib::Request& req, httplib::Response& res) {
                std::string bytes;
                const std::string name = req.matches[1];
                if (!m_pictures.Load(name, bytes)) {
                  res.status = 404;
                  res.set_content(WriteCompact(ErrorEnvelope(RC_UNKNOWN_ID, name)),
                                  kJsonContentType);
                  return 404;
                }
                res.set_content(bytes, CPictureStore::ContentType(name));
                return 200;
              });
  const auto sendTemplate = [this](const httplib::Request&, httplib::Response& res) {
    res.set_content(m_sTemplate, kXlsxType);
    res.set_header("Content-Disposition", "attachment; filename=\"template.xlsx\"");
    return 200;
  };
  AddRawRoute(false, "/zoduda_vudi/quickmsg/template/download.do", sendTemplate);
  AddRawRoute(true, "/zoduda_vudi/quickmsg/template/download.do", sendTemplate);
}

// The form has a part "file" (the picture's bytes) and a text part "filename"; the token
// travels in the query ("?tokenId="). The reply's "obj" is the stored picture's name.
int CRefServer::RunUpload(const httplib::Request& req, httplib::Response& res) {
  Json::Value reply;
  try {
    if (!req.has_param("tokenId") || req.get_param_value("tokenId").empty())
      throw CApiError(RC_MISSING_FIELD, "tokenId");
    const std::int64_t account = m_accounts.AccountOfToken(req.get_param_value("tokenId"));
    if (!req.is_multipart_form_data() || !req.has_file("file"))
      throw CApiError(RC_MISSING_FIELD, "file");
    const httplib::MultipartFormData file = req.get_file_value("file");
    const std::string fileName =
        req.has_file("filename") ? req.get_file_value("filename").content : file.filename;
    reply = Json::Value(Json::objectValue);
    reply["obj"] = m_pictures.Store(account, file.content, fileName);
    reply["resultCode"] = RC_OK;
    reply["resultMsg"] = ResultMessage(RC_OK);
  } catch (const CApiError& error) {
    reply = ErrorEnvelope(error.Code(), error.Detail());
  } catch (const std::exception& error) {
    m_log.Error(req.path + ": " + error.what());
    reply = ErrorEnvelope(RC_SERVER_ERROR, {});
    res.status = 500;
  }
  res.set_content(WriteCompact(reply), kJsonContentType);
  return reply["resultCode"].asInt();
}

}  // namespace refserver
