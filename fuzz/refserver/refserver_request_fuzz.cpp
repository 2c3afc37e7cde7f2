// Any bytes as what a client sends the reference server on one connection: request lines,
// headers, form bodies, multipart uploads, the quick-message JSON inside them, several
// requests kept alive one after another. They are served in process from memory, through the
// library's request parsing, the routes and the stores (SQLite in a scratch folder), with no
// socket.
//
// The text "@token@@@@@@@@@@@@@@@@@@@@@@@@@@" (as long as a real token) stands for the token of
// the seeded demo account, so that inputs reach the handlers behind the token check. The
// server is made anew every few thousand inputs, so that what earlier inputs stored (groups,
// messages, pictures) stays bounded.
#include "fuzz/support/FuzzFiles.h"
#include "refserver/MemoryStream.h"
#include "refserver/RefServer.h"

#include <httplib.h>
#include <json/json.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kTokenPlaceholder = "@token@@@@@@@@@@@@@@@@@@@@@@@@@@";
constexpr std::size_t kRunsPerServer = 2000;

std::string s_root;
std::unique_ptr<refserver::CRefServer> s_pServer;
std::string s_token;
std::size_t s_nRuns = 0;

// Before the folder goes: the database is open in it.
void stopServer() {
  s_pServer.reset();
}

std::string serve(std::string request) {
  refserver::CMemoryStream stream(std::move(request));
  s_pServer->ServeStream(stream);
  return stream.Output();
}

// A server with the demo account, empty otherwise, and a live token of that account.
void startServer() {
  s_pServer.reset();
  std::error_code ignored;
  std::filesystem::remove_all(s_root + "/data", ignored);
  refserver::TServerOptions options;
  options.nPort = 0;
  options.sDataDir = s_root + "/data";
  options.bSeed = true;
  options.bFastHash = true;
  options.bQuiet = true;
  options.nSmsInterval = 0;
  options.nSmsPerDay = 1 << 30;
  options.nSmsPerAddressHour = 1 << 30;
  options.sLatestVersion = "2.0";
  options.sMinVersion = "1.0";
  options.sDownUrl = "http://127.0.0.1/setup.exe";
  options.sTip = "tip";
  s_pServer = std::make_unique<refserver::CRefServer>(options);
  const std::string body = std::string("phone=") + refserver::CRefServer::kDemoPhone +
                           "&password=" + refserver::CRefServer::kDemoPassword;
  const std::string reply = serve(
      "POST /zoduda_vudi/account/login.do HTTP/1.1\r\nHost: a\r\nContent-Type: "
      "application/x-www-form-urlencoded\r\nContent-Length: " +
      std::to_string(body.size()) + "\r\n\r\n" + body);
  Json::Value json;
  std::istringstream in(reply.substr(reply.find("\r\n\r\n") + 4));
  in >> json;
  s_token = json["obj"]["logintoken"].asString();
  if (s_token.size() != kTokenPlaceholder.size()) std::abort();
}

std::string withToken(std::string input) {
  for (size_t at = input.find(kTokenPlaceholder); at != std::string::npos;
       at = input.find(kTokenPlaceholder, at + s_token.size()))
    input.replace(at, kTokenPlaceholder.size(), s_token);
  return input;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  s_root = MakeFuzzScratchFolder("tc-refserver-fuzz");
  std::atexit(stopServer);
  startServer();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (++s_nRuns % kRunsPerServer == 0) startServer();
  const std::string reply =
      serve(withToken(std::string(reinterpret_cast<const char*>(data), size)));
  // Whatever came in, what goes out is HTTP.
  if (!reply.empty() && reply.rfind("HTTP/1.1 ", 0) != 0) std::abort();
  return 0;
}
