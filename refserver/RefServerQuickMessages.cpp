// Quick-message requests: groups, messages and the list.
#include "refserver/RefServer.h"

#include "refserver/ApiError.h"
#include "refserver/HttpServer.h"
#include "refserver/MessageJson.h"

#include <httplib.h>

#include <algorithm>

namespace refserver {

namespace {

// Largest message object accepted; five items of 1000 characters fit many times over.
constexpr size_t kMaxMessageBytes = 256 * 1024;

std::int64_t requireIdField(const CFormCall& call, const std::string& key) {
  const std::int64_t id = ParseId(call.Require(key));
  if (id == 0) throw CApiError(RC_UNKNOWN_ID, key);
  return id;
}

Json::Value messageOf(const CFormCall& call) {
  const std::string& text = call.Require("message");
  if (text.size() > kMaxMessageBytes) throw CApiError(RC_REQUEST_TOO_LARGE, "message");
  return ParseMessageObject(text);
}

Json::Value emptyMembers() {
  return Json::Value(Json::objectValue);
}

}  // namespace

void CRefServer::RegisterQuickMessageRoutes() {
  AddFormRoute(
      "quickMessage/group/add.do", {"groupTitle", "tokenId"}, [this](const CFormCall& call) {
        const std::int64_t account = call.Account();
        Json::Value members(Json::objectValue);
        members["obj"] = Json::Int64(m_messages.AddGroup(account, call.Require("groupTitle")));
        m_listCache.Invalidate(account);
        return members;
      });
  AddFormRoute("quickMessage/group/update.do", {"msgGroupId", "groupTitle", "tokenId"},
               [this](const CFormCall& call) {
                 const std::int64_t account = call.Account();
                 m_messages.RenameGroup(account, requireIdField(call, "msgGroupId"),
                                        call.Require("groupTitle"));
                 m_listCache.Invalidate(account);
                 return emptyMembers();
               });
  AddFormRoute("quickMessage/group/del.do", {"msgGroupId", "tokenId"},
               [this](const CFormCall& call) {
                 const std::int64_t account = call.Account();
                 m_messages.DeleteGroup(account, requireIdField(call, "msgGroupId"));
                 m_listCache.Invalidate(account);
                 return emptyMembers();
               });
  AddFormRoute("quickMessage/add.do", {"message", "tokenId"}, [this](const CFormCall& call) {
    const std::int64_t account = call.Account();
    const std::int64_t id = m_messages.AddMessage(account, messageOf(call));
    m_listCache.Invalidate(account);
    Json::Value members(Json::objectValue);
    members["obj"] = Json::Value(Json::arrayValue);
    members["obj"].append(std::to_string(id));
    return members;
  });
  AddFormRoute("quickMessage/update.do", {"message", "tokenId"}, [this](const CFormCall& call) {
    const std::int64_t account = call.Account();
    m_messages.UpdateMessage(account, messageOf(call));
    m_listCache.Invalidate(account);
    return emptyMembers();
  });
  AddFormRoute("quickMessage/del.do", {"msgContentId", "tokenId"}, [this](const CFormCall& call) {
    const std::int64_t account = call.Account();
    m_messages.DeleteMessage(account, requireIdField(call, "msgContentId"));
    m_listCache.Invalidate(account);
    return emptyMembers();
  });
  AddReplyFormRoute(
      "quickMessage/list.do", {"tokenId"},
      [this](const CFormCall& call, httplib::Response& res) { ServeList(call, res); });
}

// The kept reply, compressed when the client asks for gzip. The library would compress a
// JSON body itself for such a client, so the request's Accept-Encoding is taken away before
// the kept bytes are handed over. A client that also takes brotli gets a copy of the plain
// reply for the library to compress, as before.
void CRefServer::ServeList(const CFormCall& call, httplib::Response& res) {
  const std::int64_t account = call.Account();
  const std::string downloadBase = DownloadBase(call.Request());
  const std::shared_ptr<const TListReply> reply =
      m_listCache.Get(account, downloadBase, [&] { return BuildList(account, downloadBase); });
  const std::string accepted = call.Request().get_header_value("Accept-Encoding");
  const bool gzip = accepted.find("gzip") != std::string::npos;
  if (accepted.find("br") != std::string::npos) {
    res.set_content(reply->sPlain, kJsonContentType);
    return;
  }
  // httplib hands handlers a const view of the request it owns and reads it again only
  // to choose the reply's encoding.
  const_cast<httplib::Request&>(call.Request()).headers.erase("Accept-Encoding");
  if (gzip) res.set_header("Content-Encoding", "gzip");
  // Written from the kept reply, never copied: a client that reads slowly holds a share of
  // it, not a 15 MB copy of its own.
  const size_t size = gzip ? reply->sGzip.size() : reply->sPlain.size();
  CHttpServer::ShareReplyBytes(
      std::shared_ptr<const std::string>(reply, gzip ? &reply->sGzip : &reply->sPlain));
  res.set_content_provider(size, kJsonContentType,
                           [reply, gzip](size_t offset, size_t length, httplib::DataSink& sink) {
                             constexpr size_t kChunk = 64 * 1024;
                             const std::string& bytes = gzip ? reply->sGzip : reply->sPlain;
                             return sink.write(bytes.data() + offset, std::min(length, kChunk));
                           });
}

// The list is written as text: a library of 10,000 messages is a 3 MB reply, and building
// it as a JSON tree took most of a second and tens of megabytes per request. Stored
// message objects are compact JSON already and go out as they are; only those with a
// picture item are parsed, to point the picture at this server.
std::string CRefServer::BuildList(std::int64_t account, const std::string& downloadBase) {
  Json::CharReaderBuilder builder;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  const std::vector<TStoredGroup> groups = m_messages.List(account);
  size_t size = 0;
  for (const TStoredGroup& group : groups)
    for (const TStoredMessage& message : group.vecMessages) size += message.sBody.size() + 1;
  std::string text;
  text.reserve(size + groups.size() * 64 + 128);
  text += "{\"msgList\":[";
  for (size_t g = 0; g < groups.size(); ++g) {
    const TStoredGroup& group = groups[g];
    if (g > 0) text += ',';
    text += "{\"groupTitle\":" + WriteCompact(Json::Value(group.sTitle)) + ",\"msgContentList\":[";
    bool first = true;
    for (const TStoredMessage& message : group.vecMessages) {
      const std::string& body = message.sBody;
      std::string pointed;
      if (HasPictureItem(body)) {
        Json::Value object;
        if (!reader->parse(body.data(), body.data() + body.size(), &object, nullptr)) {
          m_log.Error("stored message " + std::to_string(message.nId) + " is not JSON");
          continue;
        }
        PointPicturesAt(object, downloadBase);
        pointed = WriteCompact(object);
      }
      if (!first) text += ',';
      first = false;
      text += pointed.empty() ? body : pointed;
    }
    text += "],\"msgGroupId\":\"" + std::to_string(group.nId) + "\"}";
  }
  text += "],\"resultCode\":" + std::to_string(RC_OK) +
          ",\"resultMsg\":" + WriteCompact(Json::Value(ResultMessage(RC_OK))) + "}";
  return text;
}

}  // namespace refserver
