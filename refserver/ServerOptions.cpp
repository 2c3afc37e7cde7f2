#include "refserver/ServerOptions.h"

#include <charconv>
#include <functional>
#include <map>

namespace refserver {

namespace {

bool parseInt(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t& out) {
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
    return false;
  out = value;
  return true;
}

using TSetter = std::function<bool(TServerOptions&, const std::string&)>;

TSetter textSetter(std::string TServerOptions::*member) {
  return [member](TServerOptions& o, const std::string& v) {
    o.*member = v;
    return true;
  };
}

TSetter intSetter(std::int64_t min, std::int64_t max,
                  const std::function<void(TServerOptions&, std::int64_t)>& store) {
  return [=](TServerOptions& o, const std::string& v) {
    std::int64_t n = 0;
    if (!parseInt(v, min, max, n)) return false;
    store(o, n);
    return true;
  };
}

// Options that take a value. Flags without a value are handled beside this table.
const std::map<std::string, TSetter>& valueOptions() {
  static const std::map<std::string, TSetter> table = {
      {"--address", textSetter(&TServerOptions::sAddress)},
      {"--port", intSetter(0, 65535, [](auto& o, auto n) { o.nPort = static_cast<int>(n); })},
      {"--data", textSetter(&TServerOptions::sDataDir)},
      {"--db", textSetter(&TServerOptions::sDbPath)},
      {"--log", textSetter(&TServerOptions::sLogPath)},
      {"--token-ttl", intSetter(1, 10LL * 365 * 86400, [](auto& o, auto n) { o.nTokenTtl = n; })},
      {"--sms-ttl", intSetter(1, 86400, [](auto& o, auto n) { o.nSmsTtl = n; })},
      {"--sms-interval", intSetter(0, 86400, [](auto& o, auto n) { o.nSmsInterval = n; })},
      {"--sms-per-day",
       intSetter(1, 100000, [](auto& o, auto n) { o.nSmsPerDay = static_cast<int>(n); })},
      {"--sms-per-address",
       intSetter(1, 100000, [](auto& o, auto n) { o.nSmsPerAddressHour = static_cast<int>(n); })},
      {"--wechat-quantity",
       intSetter(0, 1000, [](auto& o, auto n) { o.nWechatQuantity = static_cast<int>(n); })},
      {"--max-messages", intSetter(1, 100000000, [](auto& o, auto n) { o.nMaxMessages = n; })},
      {"--max-groups", intSetter(1, 1000000, [](auto& o, auto n) { o.nMaxGroups = n; })},
      {"--max-picture-bytes",
       intSetter(1, 1LL << 50, [](auto& o, auto n) { o.nMaxPictureBytes = n; })},
      {"--workers", intSetter(1, 1024, [](auto& o, auto n) { o.nWorkers = n; })},
      {"--max-connections", intSetter(1, 1000000, [](auto& o, auto n) { o.nMaxConnections = n; })},
      {"--max-connections-per-address",
       intSetter(1, 1000000, [](auto& o, auto n) { o.nMaxConnectionsPerAddress = n; })},
      {"--latest-version", textSetter(&TServerOptions::sLatestVersion)},
      {"--min-version", textSetter(&TServerOptions::sMinVersion)},
      {"--down-url", textSetter(&TServerOptions::sDownUrl)},
      {"--tip", textSetter(&TServerOptions::sTip)},
      {"--about", textSetter(&TServerOptions::sAbout)},
      {"--notice", textSetter(&TServerOptions::sNotice)},
      {"--website", textSetter(&TServerOptions::sWebsite)},
      {"--qq", textSetter(&TServerOptions::sQQ)},
  };
  return table;
}

}  // namespace

std::string TServerOptions::DbPath() const {
  return sDbPath.empty() ? sDataDir + "/refserver.db" : sDbPath;
}

std::string TServerOptions::LogPath() const {
  return sLogPath.empty() ? sDataDir + "/refserver.log" : sLogPath;
}

bool ParseServerOptions(const std::vector<std::string>& args, TServerOptions& options,
                        std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      error = ServerUsage();
      return false;
    }
    if (arg == "--seed") {
      options.bSeed = true;
      continue;
    }
    if (arg == "--fast-hash") {
      options.bFastHash = true;
      continue;
    }
    if (arg == "--quiet") {
      options.bQuiet = true;
      continue;
    }
    const auto it = valueOptions().find(arg);
    if (it == valueOptions().end()) {
      error = "unknown option: " + arg;
      return false;
    }
    if (i + 1 >= args.size()) {
      error = "option " + arg + " needs a value";
      return false;
    }
    if (!it->second(options, args[++i])) {
      error = "bad value for " + arg + ": " + args[i];
      return false;
    }
  }
  return true;
}

std::string ServerUsage() {
  return "usage: refserver [options]\n"
         "  --address A          listen address (default 127.0.0.1)\n"
         "  --port N             port (default " +
         std::to_string(kDefaultPort) +
         "; 0 picks a free one)\n"
         "  --data DIR           data folder: pictures, SMS codes, log (default refserver-data)\n"
         "  --db FILE            SQLite database (default DIR/refserver.db)\n"
         "  --log FILE           log file (default DIR/refserver.log)\n"
         "  --seed               create the demo account with sample quick messages\n"
         "  --fast-hash          cheapest password hashing (tests only)\n"
         "  --quiet              no log lines on stderr\n"
         "  --token-ttl S        login token lifetime in seconds (default 604800)\n"
         "  --sms-ttl S          SMS code lifetime in seconds (default 300)\n"
         "  --sms-interval S     seconds between two codes for one phone (default 60)\n"
         "  --sms-per-day N      codes for one phone in a day (default 10)\n"
         "  --sms-per-address N  code requests from one client address in an hour (default 30)\n"
         "  --wechat-quantity N  WeChat copies granted to new accounts (default 10)\n"
         "  --max-messages N     quick messages per account (default 100000)\n"
         "  --max-groups N       quick-message groups per account (default 1000)\n"
         "  --max-picture-bytes N  stored picture bytes per account (default 1073741824)\n"
         "  --workers N          handler threads (default 32)\n"
         "  --max-connections N  open connections in all (default 10000)\n"
         "  --max-connections-per-address N  open connections from one address (default 128)\n"
         "  --latest-version V   newest version; older clients are offered an update\n"
         "  --min-version V      oldest supported version; older clients must update\n"
         "  --down-url URL       installer address returned by the version check\n"
         "  --tip TEXT           tip text (default: none)\n"
         "  --about/--notice/--website/--qq TEXT   sign-in values returned by login\n";
}

}  // namespace refserver
