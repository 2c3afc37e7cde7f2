#include "server/CurlTransport.h"

#include "platform/log/Log.h"
#include "app/Settings.h"
#include "server/ServerAddress.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr long kConnectTimeoutSeconds = 3;
constexpr long kRequestTimeoutSeconds = 10;
constexpr long kUploadTimeoutSeconds = 60;
// Only web addresses: a picture or avatar address never reads a local file or another scheme.
constexpr const char* kAllowedProtocols = "http,https";
constexpr const char* kFormEncodings = "gzip";

struct CurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlSlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct CurlMimeDeleter {
  void operator()(curl_mime* mime) const { curl_mime_free(mime); }
};
struct CurlShareDeleter {
  void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlShare = std::unique_ptr<CURLSH, CurlShareDeleter>;
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;
using CurlMime = std::unique_ptr<curl_mime, CurlMimeDeleter>;

// curl_global_init must not run on two threads at once, nor beside a transfer; once per
// process, before the first handle, meets both.
CURLcode initCurlOnce() {
  static std::once_flag s_once;
  static CURLcode s_result = CURLE_OK;
  std::call_once(s_once, [] { s_result = curl_global_init(CURL_GLOBAL_ALL); });
  return s_result;
}

// Where a reply goes and how much of it may come. Writing less than was handed over ends
// the transfer with a write error.
struct TReplySink {
  std::FILE* pFile = nullptr;
  std::string* pText = nullptr;
  std::size_t nLimit = kMaxReplyBytes;
  std::size_t nWritten = 0;
  bool bOverLimit = false;
};

size_t writeToSink(char* data, size_t size, size_t count, void* context) {
  TReplySink& sink = *static_cast<TReplySink*>(context);
  const size_t bytes = size * count;
  if (bytes > sink.nLimit - sink.nWritten) {
    sink.bOverLimit = true;
    return 0;
  }
  size_t written = bytes;
  if (sink.pText)
    sink.pText->append(data, bytes);
  else
    written = sink.pFile ? std::fwrite(data, 1, bytes, sink.pFile) : 0;
  sink.nWritten += written;
  return written;
}

void limitReply(CURL* easy, TReplySink& sink) {
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, writeToSink);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink);
  // Refused at once when the server announces more than may come.
  curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(sink.nLimit));
}

void logOverLimit(const TReplySink& sink, const std::string& url) {
  if (sink.bOverLimit)
    TC_LOGF(TC_LOG_ERROR, "The reply of %s is longer than %zu bytes; it is dropped.",
            MaskSecrets(url).c_str(), sink.nLimit);
}

long statusOf(CURL* easy) {
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  return status;
}

// A completed transfer that still does not count: a redirect that was not followed, or
// for a download any final status outside 2xx.
bool acceptableStatus(CURL* easy, const std::string& url, bool download) {
  const long status = statusOf(easy);
  const bool redirect = status >= 300 && status < 400;
  if ((download && (status < 200 || status >= 300)) || redirect) {
    const char* location = nullptr;
    curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &location);
    TC_LOGF(TC_LOG_ERROR, "%s answered %ld%s%s; nothing is kept.", MaskSecrets(url).c_str(), status,
            location ? ", a redirect to " : "", location ? MaskSecrets(location).c_str() : "");
    return false;
  }
  return true;
}

CurlSlist makeHeaderList(const std::vector<std::string>& headers) {
  curl_slist* list = nullptr;
  for (const std::string& header : headers) {
    curl_slist* grown = curl_slist_append(list, header.c_str());
    if (!grown) break;
    list = grown;
  }
  return CurlSlist(list);
}

CurlEasy newEasyHandle() {
  const CURLcode init = initCurlOnce();
  if (init != CURLE_OK) {
    TC_LOGF(TC_LOG_ERROR, "Failed(0x%x): curl_global_init() in CConnServer::Request().",
            static_cast<unsigned>(init));
    return nullptr;
  }
  CurlEasy easy(curl_easy_init());
  if (!easy) TC_LOG(TC_LOG_ERROR, "Failed, curl_easy_init() in CConnServer::Request().");
  return easy;
}

// What the calling thread keeps between transfers: its open connections and resolved names,
// never an easy handle. libcurl 7.88 keeps in an easy handle a pointer to the last header of
// its previous transfer, whose storage the next transfer frees: a reply whose first header
// line is folded (starts with a blank) is then appended to freed memory. A fresh handle per
// transfer has no such state; the connections live on in the share.
CurlShare& keptConnections() {
  thread_local CurlShare t_share;
  return t_share;
}

CURLSH* threadShare() {
  CurlShare& share = keptConnections();
  if (!share && initCurlOnce() == CURLE_OK) {
    share.reset(curl_share_init());
    if (share &&
        (curl_share_setopt(share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT) != CURLSHE_OK ||
         curl_share_setopt(share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS) != CURLSHE_OK))
      share.reset();
  }
  return share.get();
}

// A new handle in `own`, on the calling thread's connections with reuse. Null when libcurl
// cannot make a handle.
CURL* transferHandle(bool reuse, CurlEasy& own) {
  own = newEasyHandle();
  if (own && reuse) {
    if (CURLSH* share = threadShare()) curl_easy_setopt(own.get(), CURLOPT_SHARE, share);
  }
  return own.get();
}

// Options every transfer shares: no signals (time-outs on worker threads), web schemes only.
void setCommonOptions(CURL* easy, const std::string& url, long totalTimeout) {
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, kAllowedProtocols);
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, kAllowedProtocols);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT, totalTimeout);
}

// libcurl rewrites its cookie jar with the mode the file already has, or with the default
// mode when there is none; the session cookie is the user's alone.
void makePrivate(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0) return;
  fchmod(fd, S_IRUSR | S_IWUSR);
  close(fd);
}

CurlMime buildMime(CURL* easy, const std::vector<TMultipartField>& fields) {
  CurlMime mime(curl_mime_init(easy));
  if (!mime) return nullptr;
  for (const TMultipartField& field : fields) {
    curl_mimepart* part = curl_mime_addpart(mime.get());
    if (!part) return nullptr;
    curl_mime_name(part, field.name.c_str());
    const CURLcode set = field.isFile
                             ? curl_mime_filedata(part, field.value.c_str())
                             : curl_mime_data(part, field.value.data(), field.value.size());
    if (set != CURLE_OK) {
      TC_LOGF(TC_LOG_ERROR, "Failed(0x%x): form field %s (%s).", static_cast<unsigned>(set),
              field.name.c_str(), field.value.c_str());
      return nullptr;
    }
  }
  return mime;
}

}  // namespace

bool CCurlTransport::Transfer(const std::string& url, const std::string& body, std::FILE* file,
                              const TTransferOptions& options) {
  // An empty Expect header keeps libcurl from waiting for "100 Continue" on a POST.
  // Declared before the handle so that it outlives it.
  CurlSlist headers = makeHeaderList({"Expect: "});
  TReplySink sink{file, nullptr, options.nMaxReplyBytes};
  CurlEasy own;
  CURL* easy = transferHandle(m_bReuse, own);
  if (!easy) return false;
  setCommonOptions(easy, url, kRequestTimeoutSeconds);
  limitReply(easy, sink);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
  if (!body.empty()) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
  }
  if (options.bDownload) {
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  } else {
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, kFormEncodings);
  }
  const CURLcode result = curl_easy_perform(easy);
  logOverLimit(sink, url);
  if (result != CURLE_OK)
    TC_LOGF(TC_LOG_ERROR, "Failed(0x%x): curl_easy_perform() in CConnServer::Request(): %s.",
            static_cast<unsigned>(result), curl_easy_strerror(result));
  const bool completed = result == CURLE_OK && acceptableStatus(easy, url, options.bDownload);
  // The handle goes before the header list it points at; its connection stays in the share.
  own.reset();
  return completed;
}

void CCurlTransport::CloseThreadConnections() {
  keptConnections().reset();
}

std::string CCurlTransport::PostForm(const std::string& url,
                                     const std::vector<TMultipartField>& fields,
                                     const std::vector<std::string>& headers) {
  std::string response;
  CurlEasy easy = newEasyHandle();
  if (!easy) return response;
  CurlMime mime = buildMime(easy.get(), fields);
  if (!mime) return response;
  CurlSlist headerList = makeHeaderList(headers);
  setCommonOptions(easy.get(), url, kUploadTimeoutSeconds);
  curl_easy_setopt(easy.get(), CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headerList.get());
  curl_easy_setopt(easy.get(), CURLOPT_ACCEPT_ENCODING, "gzip,deflate");
  const std::string userFolder = GetUserDataPath().str();
  const std::string cookieFile = userFolder + "cookies.txt";
  if (!userFolder.empty()) {
    makePrivate(cookieFile);
    curl_easy_setopt(easy.get(), CURLOPT_COOKIEFILE, cookieFile.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_COOKIEJAR, cookieFile.c_str());
  }
  curl_easy_setopt(easy.get(), CURLOPT_MIMEPOST, mime.get());
  TReplySink sink{nullptr, &response, kMaxReplyBytes};
  limitReply(easy.get(), sink);
  const CURLcode result = curl_easy_perform(easy.get());
  logOverLimit(sink, url);
  if (sink.bOverLimit) response.clear();
  if (result != CURLE_OK)
    TC_LOGF(TC_LOG_ERROR, "Failed(0x%x): multipart post to %s: %s.", static_cast<unsigned>(result),
            MaskSecrets(url).c_str(), curl_easy_strerror(result));
  // The handle goes before the header list and the form it still points at.
  easy.reset();
  return response;
}
