#include "bench/support/BenchServer.h"

#include "server/ConnServer.h"

#include <cstdio>
#include <fstream>

refserver::TServerOptions CBenchServer::optionsFor(const std::filesystem::path& root) {
  refserver::TServerOptions options;
  options.nPort = 0;
  options.sDataDir = (root / "server").string();
  options.bFastHash = true;
  options.bQuiet = true;
  std::filesystem::create_directories(options.sDataDir);
  return options;
}

CBenchServer::CBenchServer(const std::filesystem::path& root,
                           const std::function<void(const std::string& dbPath)>& fill)
    : m_server(optionsFor(root)) {
  m_server.Seed();
  if (fill) fill(optionsFor(root).DbPath());
  m_server.Start();
  std::ofstream(root / "program" / "sys.cfg")
      << "[SYSTEM]\nWebServer=http://127.0.0.1:" << m_server.Port() << "/\n";
}

bool CBenchServer::SignIn(CConnServer& login, const char* what) {
  if (login.Login(refserver::CRefServer::kDemoPhone, refserver::CRefServer::kDemoPassword) == 0)
    return true;
  std::printf("%slogin failed: %s\n", what, login.m_strResultMsg.GetData());
  return false;
}
