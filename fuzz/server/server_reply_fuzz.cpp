// Feeds arbitrary bytes as the server's reply to every operation of CConnServer, through
// the same reply file and reading path that real replies take, and as a form value whose
// encoded body must decode back to the value.
#include "app/Settings.h"
#include "fuzz/support/FuzzFiles.h"
#include "platform/win32/CodePage.h"
#include "server/ConnServer.h"
#include "server/FormBody.h"
#include "server/ServerTransport.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Answers every request with the current input.
class CReplayTransport : public IServerTransport {
 public:
  bool Transfer(const std::string&, const std::string& body, std::FILE* file,
                const TTransferOptions&) override {
    m_strLastBody = body;
    if (!file) return false;
    return std::fwrite(m_strReply.data(), 1, m_strReply.size(), file) == m_strReply.size();
  }
  std::string PostForm(const std::string&, const std::vector<TMultipartField>&,
                       const std::vector<std::string>&) override {
    return m_strReply;
  }

  std::string m_strReply;
  std::string m_strLastBody;
};

CReplayTransport s_transport;
std::string s_root;

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes one form value; false for anything FormEncode would never write.
bool formDecode(const std::string& encoded, std::string& decoded) {
  decoded.clear();
  for (size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '+') {
      decoded += ' ';
    } else if (encoded[i] == '%') {
      if (i + 2 >= encoded.size()) return false;
      const int high = hexValue(encoded[i + 1]), low = hexValue(encoded[i + 2]);
      if (high < 0 || low < 0) return false;
      decoded += static_cast<char>(high * 16 + low);
      i += 2;
    } else if (encoded[i] == '&' || encoded[i] == '=') {
      return false;
    } else {
      decoded += encoded[i];
    }
  }
  return true;
}

// The input as a password: the body must be "phone=1&password=" and the value, decodable.
void checkFormRoundTrip(const std::string& value) {
  CConnServer conn;
  s_transport.m_strLastBody.clear();
  conn.Login("1", value.c_str());
  const std::string text(value.c_str());                  // CDuiString stops at the first NUL
  if (!text.empty() && AnsiToUtf8(text).empty()) return;  // refused before sending
  const std::string prefix = "phone=1&password=";
  std::string decoded;
  if (s_transport.m_strLastBody.compare(0, prefix.size(), prefix) != 0 ||
      !formDecode(s_transport.m_strLastBody.substr(prefix.size()), decoded) ||
      decoded != AnsiToUtf8(text))
    std::abort();
}

void runEveryOperation(CConnServer& conn) {
  conn.Register("1", "2", "3", "4", "5");
  conn.Login("1", "2");
  conn.GetSMS("1", true);
  conn.ResetPwd("1", "2", "3");
  conn.AddShortcutGrp("g", "t");
  conn.EditShortcutGrp("1", "g", "t");
  conn.DelShortcut("1", "t", true);
  conn.DelShortcut("1", "t", false);
  std::vector<std::string> ids;
  conn.AddShortcutMsg("{}", ids, "t");
  conn.EditShortcutMsg("1", "{}", "t");
  CDuiString listPath;
  conn.GetShortcutList("t", &listPath);
  conn.UploadPic("t", "/nonexistent.png", "p.png");
  std::string downUrl;
  conn.QueryVersion(downUrl, "1.0");
  conn.AddFeedback("t", "f");
  conn.GetTipsMessage("t");
  CDuiString remarkId = "wxid", remark;
  conn.GetRemarkInfo(&remarkId, "t", &remark);
  CDuiString newId = "0";
  conn.EditRemarkInfo(&newId, "wxid", "r", "t");
  conn.DownloadFile("http://127.0.0.1:9/p.png", (s_root + "/download.bin").c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Each input writes a few dozen reply files.
  s_root = MakeFuzzScratchFolder("tc-server-fuzz");
  std::filesystem::create_directories(s_root + "/config/orvo2");
  std::filesystem::create_directories(s_root + "/program");
  std::ofstream(s_root + "/program/sys.cfg") << "[SYSTEM]\nWebServer=http://127.0.0.1:9/\n";
  setenv("XDG_CONFIG_HOME", (s_root + "/config").c_str(), 1);
  SetProgramFolder(s_root + "/program/");
  SetServerTransport(&s_transport);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  s_transport.m_strReply.assign(reinterpret_cast<const char*>(data), size);
  CConnServer fresh;
  runEveryOperation(fresh);
  // Again on an object that has seen a success, so that stale members are read too.
  CConnServer seasoned;
  seasoned.m_nResultCode = 1;
  seasoned.m_strObj = "stale";
  runEveryOperation(seasoned);
  checkFormRoundTrip(s_transport.m_strReply);
  return 0;
}
