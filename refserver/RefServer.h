// The reference server for the vendor API: every request under "/zoduda_vudi/", replies in
// the envelope {"resultCode", "resultMsg", "obj"}, data in SQLite and the data folder.
//
//   CRefServer server(options);
//   int port = server.Bind();
//   server.Serve();  // or Start()/Stop() to serve from a background thread, as tests do
//
// The server owns its stores, its log and its HTTP edge for its whole life; they keep
// references to each other and to the clock, which the server holds. Handlers run on the
// edge's worker threads, many at once; every store is safe from all of them. Stop() may be
// called from any thread and returns once no request is being served. The route handlers
// live in RefServerAccounts.cpp, RefServerQuickMessages.cpp, RefServerPictures.cpp and
// RefServerCommon.cpp, by the path they serve.
#pragma once

#include "refserver/AccountStore.h"
#include "refserver/Clock.h"
#include "refserver/Database.h"
#include "refserver/FeedbackStore.h"
#include "refserver/FormBody.h"
#include "refserver/ListCache.h"
#include "refserver/PasswordHasher.h"
#include "refserver/PictureStore.h"
#include "refserver/QuickMessageStore.h"
#include "refserver/RateLimiter.h"
#include "refserver/RemarkStore.h"
#include "refserver/ServerLog.h"
#include "refserver/ServerOptions.h"

#include <json/json.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
struct Request;
struct Response;
class ContentReader;
class Stream;
}  // namespace httplib

namespace refserver {

class CHttpServer;

// Replies are JSON, which is UTF-8 by definition; the bare type is also the one the HTTP
// library compresses for clients that accept gzip.
inline constexpr const char* kJsonContentType = "application/json";

// Largest form body taken: five items of 1000 characters each, percent-encoded, are about
// 50 KB; anything beyond this is refused without being read.
inline constexpr size_t kMaxFormBytes = 256 * 1024;

// Largest request of any kind; a picture upload above it is refused as too large a request
// rather than as too large a picture.
inline constexpr size_t kMaxRequestBytes = 16 * 1024 * 1024;
// What a picture upload may carry beside the picture: part headers, boundaries, the name.
inline constexpr size_t kMaxMultipartOverhead = 64 * 1024;
inline constexpr size_t kMaxFileNameBytes = 1024;

// One form request as a handler sees it; lives for the call of one handler.
class CFormCall {
 public:
  CFormCall(const httplib::Request& req, CFormBody form, CAccountStore& accounts);

  // The value of a key that must be present and non-empty (RC_MISSING_FIELD otherwise).
  const std::string& Require(const std::string& key) const;
  // The value of a key that must be present, possibly empty.
  const std::string& RequirePresent(const std::string& key) const;
  // The account of "tokenId" (RC_MISSING_FIELD, RC_BAD_TOKEN).
  std::int64_t Account() const;
  const httplib::Request& Request() const { return m_req; }
  // The client's address, the key of per-client limits.
  const std::string& Client() const;

 private:
  const httplib::Request& m_req;
  CFormBody m_form;
  CAccountStore& m_accounts;
};

class CRefServer {
 public:
  // A null clock is the system's.
  explicit CRefServer(TServerOptions options, std::shared_ptr<const IClock> clock = nullptr);
  ~CRefServer();
  CRefServer(const CRefServer&) = delete;
  CRefServer& operator=(const CRefServer&) = delete;

  // Binds the listening socket; returns the port (the free one picked for port 0).
  // Throws std::runtime_error when the address cannot be bound.
  int Bind();
  // Serves until Stop(); Bind() first.
  void Serve();
  void Start();
  void Stop();
  int Port() const { return m_nPort; }
  // Serves the requests read from `stream` on the calling thread, without a socket (see
  // CHttpServer::ServeStream): the whole request handling, in process.
  bool ServeStream(httplib::Stream& stream);

  const CDatabase& Database() const { return m_db; }
  // List replies built so far (the rest were served as kept).
  std::uint64_t ListsBuilt() const { return m_listCache.Builds(); }
  // Password hashes and verifications done so far (each costs the same).
  std::uint64_t PasswordHashes() const { return m_hasher.Count(); }

  // Creates the demo account with sample groups and messages unless it exists.
  void Seed();

  static constexpr const char* kDemoPhone = "13800000000";
  static constexpr const char* kDemoPassword = "demo1234";

 private:
  // A form handler returns the members merged into the success envelope; a text handler
  // returns the whole reply text, for replies too large to build as a JSON tree.
  using FormHandler = std::function<Json::Value(const CFormCall&)>;
  using TextFormHandler = std::function<std::string(const CFormCall&)>;
  // A reply handler fills the response itself (a kept, maybe compressed reply).
  using ReplyFormHandler = std::function<void(const CFormCall&, httplib::Response&)>;
  using RawHandler = std::function<int(const httplib::Request&, httplib::Response&)>;

  void RegisterRoutes();
  void RegisterAccountRoutes();
  void RegisterQuickMessageRoutes();
  void RegisterPictureRoutes();
  void RegisterCommonRoutes();
  void AddFormRoute(const std::string& path, std::vector<std::string> keys, FormHandler handler);
  void AddTextFormRoute(const std::string& path, std::vector<std::string> keys,
                        TextFormHandler handler);
  void AddReplyFormRoute(const std::string& path, std::vector<std::string> keys,
                         ReplyFormHandler handler);
  void AddRawRoute(bool post, const std::string& pattern, RawHandler handler);
  void AddErrorHandlers();

  // Runs a handler: the success envelope merged with its members, or the error envelope.
  int RunForm(const httplib::Request& req, const std::string& body, httplib::Response& res,
              const std::vector<std::string>& keys, const ReplyFormHandler& handler);
  int RunUpload(const httplib::Request& req, httplib::Response& res,
                const httplib::ContentReader& reader);
  void LogRequest(const httplib::Request& req, int resultCode);
  // Writes a code made to the log and the codes file, or a line of the same length for one
  // not made to the log and sms-unsent.txt; throws when the file cannot take it.
  void RecordSmsCode(const std::string& phone, ESmsPurpose purpose, const std::string& code,
                     bool made);
  Json::Value IssueSmsCode(const CFormCall& call, ESmsPurpose purpose);
  std::string DownloadBase(const httplib::Request& req) const;

  Json::Value Login(const CFormCall& call);
  void ServeList(const CFormCall& call, httplib::Response& res);
  std::string BuildList(std::int64_t account, const std::string& downloadBase);
  Json::Value CheckVersion(const CFormCall& call);
  Json::Value GetRemark(const CFormCall& call);
  Json::Value EditRemark(const CFormCall& call);

  TServerOptions m_options;
  std::shared_ptr<const IClock> m_pClock;
  CServerLog m_log;
  CPasswordHasher m_hasher;
  CDatabase m_db;
  CAccountStore m_accounts;
  CQuickMessageStore m_messages;
  CPictureStore m_pictures;
  CRemarkStore m_remarks;
  CFeedbackStore m_feedback;
  CListCache m_listCache;
  std::string m_sTemplate;
  CRateLimiter m_smsPerAddress;
  std::mutex m_smsFileMutex;
  std::unique_ptr<CHttpServer> m_pHttp;
  std::thread m_thread;
  std::atomic<bool> m_bServeEnded = false;
  int m_nPort = 0;
};

// The envelope {"resultCode": code, "resultMsg": its text, "obj": detail, "params": detail}.
Json::Value ErrorEnvelope(int code, const std::string& detail);

// Compares dotted version texts numerically ("1.10" > "1.9"); -1, 0 or 1.
int CompareVersions(const std::string& a, const std::string& b);

}  // namespace refserver
