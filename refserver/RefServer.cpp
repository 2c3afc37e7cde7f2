#include "refserver/RefServer.h"

#include "refserver/ApiError.h"
#include "refserver/HttpServer.h"
#include "refserver/ImportTemplate.h"
#include "refserver/MessageJson.h"
#include "refserver/PrivateFiles.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace refserver {

namespace {

// Sign-ins waiting for a hashing slot: a flood delays a genuine one at most by these.
constexpr size_t kHashesWaiting = 8;
// Kept list replies, plain and compressed, of all accounts together: a 50,000-message
// library takes about 17 MB.
constexpr size_t kListCacheBytes = 128 * 1024 * 1024;

std::string prepareDataFolder(const TServerOptions& options) {
  MakePrivateFolder(options.sDataDir);
  return options.LogPath();
}

THttpLimits httpLimitsOf(const TServerOptions& options) {
  THttpLimits limits;
  limits.nMaxConnections = static_cast<size_t>(options.nMaxConnections);
  limits.nMaxConnectionsPerAddress = static_cast<size_t>(options.nMaxConnectionsPerAddress);
  limits.nWorkers = static_cast<size_t>(options.nWorkers);
  limits.nMaxRequestBytes = kMaxRequestBytes;
  return limits;
}

TAccountLimits limitsOf(const TServerOptions& options) {
  return {options.nTokenTtl, options.nSmsTtl, options.nWechatQuantity, options.nSmsInterval,
          options.nSmsPerDay};
}

bool isPlainHost(const std::string& host) {
  return !host.empty() && host.size() <= 255 && std::all_of(host.begin(), host.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == ':' ||
           c == '[' || c == ']';
  });
}

// When the request being served on this thread arrived: httplib runs a request from its
// first byte to its reply on one worker thread, so the stamp set before routing is the one
// the log line reads, whichever path (route, error handler) the request ends on.
thread_local std::chrono::steady_clock::time_point t_requestStart;

double millisSinceRequestStart() {
  const std::chrono::duration<double, std::milli> took =
      std::chrono::steady_clock::now() - t_requestStart;
  return took.count();
}

int errorCodeForStatus(int status) {
  switch (status) {
    case 404:
      return RC_UNKNOWN_PATH;
    case 413:
      return RC_REQUEST_TOO_LARGE;
    case 400:
      return RC_BAD_REQUEST;
    default:
      return RC_SERVER_ERROR;
  }
}

enum class EBodyRead { Complete, TooLarge, Broken };

// Reads a form body of at most kMaxFormBytes. A larger one is refused on its Content-Length
// before a byte of it is read, or as soon as it grows past the limit.
EBodyRead readFormBody(const httplib::Request& req, const httplib::ContentReader& reader,
                       std::string& body) {
  if (req.get_header_value<uint64_t>("Content-Length") > kMaxFormBytes) return EBodyRead::TooLarge;
  bool tooLarge = false;
  const bool complete = reader([&](const char* data, size_t n) {
    tooLarge = body.size() + n > kMaxFormBytes;
    if (!tooLarge) body.append(data, n);
    return !tooLarge;
  });
  if (tooLarge) return EBodyRead::TooLarge;
  return complete ? EBodyRead::Complete : EBodyRead::Broken;
}

}  // namespace

Json::Value ErrorEnvelope(int code, const std::string& detail) {
  Json::Value reply(Json::objectValue);
  reply["resultCode"] = code;
  reply["resultMsg"] = ResultMessage(code);
  // "obj" is the detail most operations show; register and reset read "params" instead.
  reply["obj"] = detail;
  reply["params"] = detail;
  return reply;
}

int CompareVersions(const std::string& a, const std::string& b) {
  std::istringstream sa(a);
  std::istringstream sb(b);
  std::string pa;
  std::string pb;
  while (true) {
    const bool moreA = static_cast<bool>(std::getline(sa, pa, '.'));
    const bool moreB = static_cast<bool>(std::getline(sb, pb, '.'));
    if (!moreA && !moreB) return 0;
    const long long na = moreA ? std::atoll(pa.c_str()) : 0;
    const long long nb = moreB ? std::atoll(pb.c_str()) : 0;
    if (na != nb) return na < nb ? -1 : 1;
  }
}

CFormCall::CFormCall(const httplib::Request& req, CFormBody form, CAccountStore& accounts)
    : m_req(req), m_form(std::move(form)), m_accounts(accounts) {}

const std::string& CFormCall::Require(const std::string& key) const {
  const std::string& value = RequirePresent(key);
  if (value.empty()) throw CApiError(RC_MISSING_FIELD, key);
  return value;
}

const std::string& CFormCall::RequirePresent(const std::string& key) const {
  const std::string* value = m_form.Find(key);
  if (!value) throw CApiError(RC_MISSING_FIELD, key);
  return *value;
}

const std::string& CFormCall::Client() const {
  return m_req.remote_addr;
}

std::int64_t CFormCall::Account() const {
  return m_accounts.AccountOfToken(Require("tokenId"));
}

CRefServer::CRefServer(TServerOptions options, std::shared_ptr<const IClock> clock)
    : m_options(std::move(options)),
      m_pClock(clock ? std::move(clock) : SystemClock()),
      m_log(prepareDataFolder(m_options), m_options.bQuiet),
      m_hasher(m_options.bFastHash),
      m_db(m_options.DbPath()),
      m_accounts(m_db, m_hasher, *m_pClock, limitsOf(m_options)),
      m_messages(m_db, {m_options.nMaxGroups, m_options.nMaxMessages}),
      m_pictures(m_db, *m_pClock, m_options.sDataDir + "/pictures", m_options.nMaxPictureBytes),
      m_remarks(m_db),
      m_feedback(m_db, *m_pClock),
      m_listCache(kListCacheBytes),
      m_sTemplate(BuildImportTemplate(m_options.sDataDir)),
      m_smsPerAddress(*m_pClock, static_cast<size_t>(m_options.nSmsPerAddressHour),
                      std::chrono::hours(1)),
      m_pHttp(std::make_unique<CHttpServer>(httpLimitsOf(m_options))) {
  RegisterRoutes();
  AddErrorHandlers();
  // The routes that hash a password wait for a hashing slot on a lane of their own, never
  // on a worker; eight more wait on the loop, and beyond those the workers answer busy.
  m_pHttp->AddLane({"/zoduda_vudi/account/login.do", "/zoduda_vudi/account/register.do",
                    "/zoduda_vudi/account/findpasswd/reset.do"},
                   CPasswordHasher::kSlots, kHashesWaiting,
                   [] { CPasswordHasher::WaitForSlotsOnThisThread(); });
  if (m_options.bSeed) Seed();
}

CRefServer::~CRefServer() {
  Stop();
}

int CRefServer::Bind() {
  const int port = m_pHttp->Listen(m_options.sAddress, m_options.nPort);
  if (port <= 0)
    throw std::runtime_error("cannot listen on " + m_options.sAddress + ":" +
                             std::to_string(m_options.nPort));
  m_nPort = port;
  m_log.Info("listening on " + m_options.sAddress + ":" + std::to_string(port) + ", database " +
             m_options.DbPath());
  return port;
}

void CRefServer::Serve() {
  m_pHttp->Serve();
}

void CRefServer::Start() {
  if (m_nPort == 0) Bind();
  m_bServeEnded = false;
  m_thread = std::thread([this] {
    Serve();
    m_bServeEnded = true;
  });
  while (!m_pHttp->Running() && !m_bServeEnded)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (m_bServeEnded) {
    m_thread.join();
    throw std::runtime_error("the server stopped at once");
  }
}

bool CRefServer::ServeStream(httplib::Stream& stream) {
  return m_pHttp->ServeStream(stream);
}

void CRefServer::Stop() {
  m_pHttp->Stop();
  if (m_thread.joinable()) m_thread.join();
}

void CRefServer::RegisterRoutes() {
  RegisterAccountRoutes();
  RegisterQuickMessageRoutes();
  RegisterPictureRoutes();
  RegisterCommonRoutes();
}

// Form routes read their body themselves: the library refuses form bodies over 8 KiB,
// which a long quick message exceeds.
void CRefServer::AddFormRoute(const std::string& path, std::vector<std::string> keys,
                              FormHandler handler) {
  AddTextFormRoute(path, std::move(keys), [handler = std::move(handler)](const CFormCall& call) {
    const Json::Value members = handler(call);
    Json::Value reply(Json::objectValue);
    reply["resultCode"] = RC_OK;
    reply["resultMsg"] = ResultMessage(RC_OK);
    for (const auto& name : members.getMemberNames()) reply[name] = members[name];
    return WriteCompact(reply);
  });
}

void CRefServer::AddTextFormRoute(const std::string& path, std::vector<std::string> keys,
                                  TextFormHandler handler) {
  AddReplyFormRoute(path, std::move(keys),
                    [handler = std::move(handler)](const CFormCall& call, httplib::Response& res) {
                      res.set_content(handler(call), kJsonContentType);
                    });
}

void CRefServer::AddReplyFormRoute(const std::string& path, std::vector<std::string> keys,
                                   ReplyFormHandler handler) {
  m_pHttp->Post("/zoduda_vudi/" + path, [this, keys = std::move(keys),
                                         handler = std::move(handler)](
                                            const httplib::Request& req, httplib::Response& res,
                                            const httplib::ContentReader& reader) {
    std::string body;
    const EBodyRead read = readFormBody(req, reader, body);
    if (read == EBodyRead::Complete) {
      LogRequest(req, RunForm(req, body, res, keys, handler));
      return;
    }
    // What is left of the body must not be read as the next request.
    CHttpServer::CloseAfterReply();
    const bool tooLarge = read == EBodyRead::TooLarge;
    const int code = tooLarge ? RC_REQUEST_TOO_LARGE : RC_BAD_REQUEST;
    res.status = tooLarge ? 413 : 400;
    res.set_content(
        WriteCompact(ErrorEnvelope(code, tooLarge ? std::to_string(kMaxFormBytes) : std::string())),
        kJsonContentType);
    LogRequest(req, code);
  });
}

void CRefServer::AddRawRoute(bool post, const std::string& pattern, RawHandler handler) {
  auto logged = [this, handler = std::move(handler)](const httplib::Request& req,
                                                     httplib::Response& res) {
    LogRequest(req, handler(req, res));
  };
  if (post)
    m_pHttp->Post(pattern, logged);
  else
    m_pHttp->Get(pattern, logged);
}

int CRefServer::RunForm(const httplib::Request& req, const std::string& body,
                        httplib::Response& res, const std::vector<std::string>& keys,
                        const ReplyFormHandler& handler) {
  Json::Value failure;
  try {
    CFormBody form = CFormBody::Parse(body, keys);
    if (!form.IsValidUtf8()) throw CApiError(RC_BAD_ENCODING);
    // Text is stored as text: a database that keeps text (PostgreSQL's) refuses NUL.
    for (const auto& [key, value] : form.Values())
      if (value.find('\0') != std::string::npos) throw CApiError(RC_BAD_ENCODING, key);
    const CFormCall call(req, std::move(form), m_accounts);
    handler(call, res);
    return RC_OK;
  } catch (const CApiError& error) {
    failure = ErrorEnvelope(error.Code(), error.Detail());
  } catch (const std::exception& error) {
    m_log.Error(req.path + ": " + error.what());
    failure = ErrorEnvelope(RC_SERVER_ERROR, {});
    res.status = 500;
  }
  res.set_content(WriteCompact(failure), kJsonContentType);
  return failure["resultCode"].asInt();
}

void CRefServer::AddErrorHandlers() {
  m_pHttp->set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
    t_requestStart = std::chrono::steady_clock::now();
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // Called for every reply with a status of 400 or more. Routes that answer such a status
  // fill their own body; the rest (unknown path, unreadable request) get the envelope.
  m_pHttp->set_error_handler(httplib::Server::HandlerWithResponse(
      [this](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        const int code = errorCodeForStatus(res.status);
        res.set_content(WriteCompact(ErrorEnvelope(code, req.path)), kJsonContentType);
        LogRequest(req, code);
        return httplib::Server::HandlerResponse::Handled;
      }));
  m_pHttp->set_exception_handler(
      [this](const httplib::Request& req, httplib::Response& res, std::exception_ptr) {
        res.status = 500;
        res.set_content(WriteCompact(ErrorEnvelope(RC_SERVER_ERROR, {})), kJsonContentType);
        LogRequest(req, RC_SERVER_ERROR);
      });
}

void CRefServer::LogRequest(const httplib::Request& req, int resultCode) {
  // Run over its headers alone, the request runs again once its body is in.
  if (CHttpServer::BodyPending()) return;
  char took[32];
  std::snprintf(took, sizeof took, "%.2f ms", millisSinceRequestStart());
  m_log.Info(req.method + " " + req.path + " -> " + std::to_string(resultCode) + " (" + took + ")");
}

// The codes file first: a code is logged only once it is written down where the tests and
// the operator read it. A code not made goes through the same steps, masked, to a file of
// its own: both ways cost the same.
void CRefServer::RecordSmsCode(const std::string& phone, ESmsPurpose purpose,
                               const std::string& code, bool made) {
  const char* kind = purpose == ESmsPurpose::Register ? "register" : "reset";
  const std::string file = made ? "sms-codes.txt" : "sms-unsent.txt";
  const std::string shown = made ? code : std::string(code.size(), '-');
  {
    // One line per code, newest last: "<phone> <register|reset> <code>".
    std::lock_guard lock(m_smsFileMutex);
    const std::string path = m_options.sDataDir + "/" + file;
    MakePrivateFile(path);
    std::ofstream out(path, std::ios::app);
    out << phone << ' ' << kind << ' ' << shown << '\n';
    out.close();
    if (!out) throw std::runtime_error("the SMS code cannot be written to " + file);
  }
  m_log.Info(std::string("SMS code for ") + phone + " (" + kind + "): " + shown);
}

std::string CRefServer::DownloadBase(const httplib::Request& req) const {
  std::string host = req.get_header_value("Host");
  if (!isPlainHost(host)) host = m_options.sAddress + ":" + std::to_string(m_nPort);
  return "http://" + host + "/zoduda_vudi/upload/pic/";
}

}  // namespace refserver
