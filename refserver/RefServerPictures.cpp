// Picture upload and download, and the import template download.
#include "refserver/RefServer.h"

#include "refserver/ApiError.h"
#include "refserver/HttpServer.h"
#include "refserver/MessageJson.h"

#include <httplib.h>

namespace refserver {

namespace {

constexpr const char* kXlsxType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";

}  // namespace

void CRefServer::RegisterPictureRoutes() {
  m_pHttp->Post("/zoduda_vudi/upload/uploadPic.do",
                [this](const httplib::Request& req, httplib::Response& res,
                       const httplib::ContentReader& reader) {
                  LogRequest(req, RunUpload(req, res, reader));
                });
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
//
// Everything that can refuse an upload without its body is checked first, from the request
// line and the headers: the declared size, the token, the form type. A refused upload is
// answered at once and its connection closed without reading the body on; an accepted one
// is read part by part and cut off as soon as the picture passes its limit, so no upload
// costs more memory than one picture.
int CRefServer::RunUpload(const httplib::Request& req, httplib::Response& res,
                          const httplib::ContentReader& reader) {
  Json::Value reply;
  bool bodyRead = false;
  try {
    const std::uint64_t declared = req.get_header_value<std::uint64_t>("Content-Length");
    if (declared > kMaxRequestBytes) {
      res.status = 413;
      throw CApiError(RC_REQUEST_TOO_LARGE, std::to_string(kMaxRequestBytes));
    }
    if (!req.has_param("tokenId") || req.get_param_value("tokenId").empty())
      throw CApiError(RC_MISSING_FIELD, "tokenId");
    const std::int64_t account = m_accounts.AccountOfToken(req.get_param_value("tokenId"));
    if (declared > kMaxPictureBytes + kMaxMultipartOverhead)
      throw CApiError(RC_PICTURE_TOO_LARGE, std::to_string(declared));
    if (!req.is_multipart_form_data()) throw CApiError(RC_MISSING_FIELD, "file");

    std::string part;
    bool hasFile = false;
    bool hasNameField = false;
    bool tooLarge = false;
    std::string bytes;
    std::string partFileName;
    std::string nameField;
    const bool complete = reader(
        [&](const httplib::MultipartFormData& header) {
          part = header.name;
          if (part == "file") {
            hasFile = true;
            partFileName = header.filename;
          }
          hasNameField = hasNameField || part == "filename";
          return true;
        },
        [&](const char* data, size_t n) {
          if (part == "file") {
            tooLarge = bytes.size() + n > kMaxPictureBytes;
            if (!tooLarge) bytes.append(data, n);
            return !tooLarge;
          }
          if (part == "filename") {
            if (nameField.size() + n > kMaxFileNameBytes) return false;
            nameField.append(data, n);
          }
          return true;
        });
    if (tooLarge) throw CApiError(RC_PICTURE_TOO_LARGE, std::to_string(declared));
    if (!complete) {
      res.status = 400;
      throw CApiError(RC_BAD_REQUEST, req.path);
    }
    bodyRead = true;
    if (!hasFile) throw CApiError(RC_MISSING_FIELD, "file");
    reply = Json::Value(Json::objectValue);
    reply["obj"] = m_pictures.Store(account, bytes, hasNameField ? nameField : partFileName);
    reply["resultCode"] = RC_OK;
    reply["resultMsg"] = ResultMessage(RC_OK);
  } catch (const CApiError& error) {
    reply = ErrorEnvelope(error.Code(), error.Detail());
  } catch (const std::exception& error) {
    m_log.Error(req.path + ": " + error.what());
    reply = ErrorEnvelope(RC_SERVER_ERROR, {});
    res.status = 500;
  }
  // What is left of an unread body must not be read as the next request.
  if (!bodyRead) CHttpServer::CloseAfterReply();
  res.set_content(WriteCompact(reply), kJsonContentType);
  return reply["resultCode"].asInt();
}

}  // namespace refserver
