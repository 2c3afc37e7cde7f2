// The server's configuration: every option with its default, and the command line that
// sets them (`refserver --help` prints ServerUsage()).
//
// Options are filled once before the server starts and only read afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace refserver {

// The port the demo's settings point at when none is given.
inline constexpr int kDefaultPort = 18086;

// Everything the server is configured with.
struct TServerOptions {
  std::string sAddress = "127.0.0.1";
  int nPort = kDefaultPort;  // 0: pick a free port
  std::string sDataDir = "refserver-data";
  std::string sDbPath;                        // empty: <data>/refserver.db
  std::string sLogPath;                       // empty: <data>/refserver.log
  bool bSeed = false;                         // create the demo account
  bool bFastHash = false;                     // cheapest password hash (tests only)
  bool bQuiet = false;                        // no log lines on stderr
  std::int64_t nTokenTtl = 7 * 24 * 3600;     // seconds a login token lives
  std::int64_t nSmsTtl = 5 * 60;              // seconds an SMS code lives
  std::int64_t nSmsInterval = 60;             // seconds between two codes for one phone
  int nSmsPerDay = 10;                        // codes for one phone in a day
  int nSmsPerAddressHour = 30;                // code requests from one client address in an hour
  int nWechatQuantity = 10;                   // copies granted to a new account
  std::int64_t nMaxMessages = 100000;         // quick messages per account
  std::int64_t nMaxGroups = 1000;             // quick-message groups per account
  std::int64_t nMaxPictureBytes = 1LL << 30;  // stored picture bytes per account
  // Handlers only ever see complete requests and wait on nothing but the database (hashing
  // has a lane of its own), so a few more workers than cores is plenty.
  std::int64_t nWorkers = 32;                    // handler threads
  std::int64_t nMaxConnections = 10000;          // open connections in all
  std::int64_t nMaxConnectionsPerAddress = 128;  // open connections from one client address

  // Version check: a client below sMinVersion must update, below sLatestVersion may.
  std::string sLatestVersion;
  std::string sMinVersion;
  std::string sDownUrl;

  std::string sTip;  // tip text; empty: no tip
  std::string sAbout = "Orvo客服-电商版：多开微信与快捷语工作台。";
  std::string sNotice = "欢迎使用Orvo客服。";
  std::string sWebsite = "http://127.0.0.1/";
  std::string sQQ = "800000000";

  std::string DbPath() const;
  std::string LogPath() const;
};

// Parses argv. Returns false with a message in error (or the usage text for --help).
bool ParseServerOptions(const std::vector<std::string>& args, TServerOptions& options,
                        std::string& error);

std::string ServerUsage();

}  // namespace refserver
