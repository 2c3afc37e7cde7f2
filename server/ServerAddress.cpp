#include "server/ServerAddress.h"

#include "platform/log/Log.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <set>

namespace {

struct CurlUrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlTextDeleter {
  void operator()(char* text) const { curl_free(text); }
};
using CurlUrl = std::unique_ptr<CURLU, CurlUrlDeleter>;
using CurlText = std::unique_ptr<char, CurlTextDeleter>;

constexpr const char* kSecretKeys[] = {"tokenId", "password", "logintoken"};
constexpr const char* kMask = "***";
// Distinct refused addresses remembered for logging once; a bound keeps a stream of bad
// picture addresses from growing it without end.
constexpr size_t kRememberedRefusals = 64;

CurlText partOf(CURLU* url, CURLUPart part) {
  char* text = nullptr;
  return curl_url_get(url, part, &text, 0) == CURLUE_OK ? CurlText(text) : CurlText();
}

std::string parse(const std::string& url, std::string& normalised) {
  CurlUrl handle(curl_url());
  if (!handle) return "out of memory";
  if (url.empty()) return "the address is empty";
  const CURLUcode set = curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), CURLU_URLENCODE);
  if (set != CURLUE_OK) return curl_url_strerror(set);
  const CurlText scheme = partOf(handle.get(), CURLUPART_SCHEME);
  const std::string schemeText = scheme ? scheme.get() : "";
  if (schemeText != "http" && schemeText != "https")
    return "the scheme \"" + schemeText + "\" is neither http nor https";
  const CurlText host = partOf(handle.get(), CURLUPART_HOST);
  if (!host || !*host || url.compare(schemeText.size(), 4, ":///") == 0) return "no host";
  const CurlText whole = partOf(handle.get(), CURLUPART_URL);
  if (!whole) return "out of memory";
  normalised = whole.get();
  return std::string();
}

bool firstRefusalOf(const std::string& url) {
  static std::mutex s_mutex;
  static std::set<std::string> s_refused;
  std::lock_guard<std::mutex> lock(s_mutex);
  if (s_refused.count(url)) return false;
  if (s_refused.size() >= kRememberedRefusals) s_refused.clear();
  s_refused.insert(url);
  return true;
}

}  // namespace

bool CheckServerAddress(const std::string& url, std::string& normalised, std::string& problem) {
  normalised.clear();
  problem = parse(url, normalised);
  if (problem.empty()) return true;
  normalised.clear();
  if (firstRefusalOf(url))
    TC_LOG(TC_LOG_ERROR, "Nothing sent to \"" << MaskSecrets(url) << "\": " << problem << ".");
  return false;
}

std::string MaskSecrets(const std::string& text) {
  std::string masked = text;
  for (const char* key : kSecretKeys) {
    const std::string assign = std::string(key) + "=";
    for (size_t at = masked.find(assign); at != std::string::npos;
         at = masked.find(assign, at + 1)) {
      const bool startsKey = at == 0 || masked[at - 1] == '&' || masked[at - 1] == '?';
      if (!startsKey) continue;
      const size_t value = at + assign.size();
      const size_t end = masked.find_first_of("&#", value);
      masked.replace(value, (end == std::string::npos ? masked.size() : end) - value, kMask);
    }
  }
  return masked;
}
