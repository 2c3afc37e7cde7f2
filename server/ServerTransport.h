// The transport under CConnServer: one replaceable object that carries a request to the
// vendor's server and hands back the reply body. Production uses libcurl (CCurlTransport);
// the fuzz target installs a transport that answers with its input bytes, so every
// operation's reply reading runs without a network.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

// The most reply bytes kept, counted after decompression. Far beyond any real reply, and
// small enough that a broken or hostile server cannot take the workbench's memory: a form
// reply is a small envelope (1 MiB); the quick-message list of 10,000 messages is about
// 3 MiB (64 MiB); pictures are uploaded up to 2 MiB and the import template is a small
// spreadsheet (32 MiB for a download).
inline constexpr std::size_t kMaxReplyBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxListReplyBytes = std::size_t{64} << 20;
inline constexpr std::size_t kMaxDownloadBytes = std::size_t{32} << 20;
// Redirects a download follows before it gives up.
inline constexpr long kMaxRedirects = 5;

// How a transfer treats the reply.
struct TTransferOptions {
  // A download follows up to kMaxRedirects redirects (http and https only) and fails on any
  // final status outside 2xx. A form request follows none: a redirect fails it (the form
  // holds the password or the token and goes to the configured server only), any other
  // status completes it and the body is judged by its reader.
  bool bDownload = false;
  // Past this many reply bytes the transfer fails.
  std::size_t nMaxReplyBytes = kMaxReplyBytes;
};

// One part of a multipart form: a text value, or (isFile) the bytes of the file at `value`,
// sent under that file's own name.
struct TMultipartField {
  std::string name;
  std::string value;
  bool isFile = false;
};

class IServerTransport {
 public:
  virtual ~IServerTransport() = default;

  // Sends `body` as a form POST (a GET when it is empty) and writes the reply body to
  // `file`. True when the transfer completed under `options`.
  virtual bool Transfer(const std::string& url, const std::string& body, std::FILE* file,
                        const TTransferOptions& options) = 0;

  // Posts a multipart form with the given extra headers. Returns whatever reply body
  // arrived (at most kMaxReplyBytes), empty when nothing did or when it was longer.
  virtual std::string PostForm(const std::string& url, const std::vector<TMultipartField>& fields,
                               const std::vector<std::string>& headers) = 0;
};

// The transport in use: libcurl unless SetServerTransport installed another one.
IServerTransport& GetServerTransport();
// Installs `transport` for the whole process (null restores libcurl). The caller keeps it
// alive while requests may run.
void SetServerTransport(IServerTransport* transport);

// The picture upload's form post. `fieldList` holds "|"-separated fields: name 1, file path,
// then name/value pairs; `pairCount` counts the pairs. Empty extra headers add nothing.
// Fills and returns `response` (empty when nothing arrived).
std::string PostMultipart(std::string& response, int pairCount, const std::string& address,
                          const std::string& fieldList, const std::string& extraHeader1,
                          const std::string& extraHeader2);

// The same post for fields already split, so that a value may contain "|".
std::string PostMultipartFields(std::string& response, const std::string& address,
                                const std::vector<TMultipartField>& fields,
                                const std::string& extraHeader1, const std::string& extraHeader2);
