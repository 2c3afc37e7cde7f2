// The libcurl transport. libcurl's process-wide state is set up once, on first use, and
// never torn down while threads may still transfer; each transfer has its own easy handle,
// so any number of threads may transfer at once.
#pragma once

#include "server/ServerTransport.h"

class CCurlTransport : public IServerTransport {
 public:
  // A form POST (GET for an empty body), 3 s to connect, 10 s in all. Form replies are
  // asked for gzip; the size limit counts the inflated bytes.
  bool Transfer(const std::string& url, const std::string& body, std::FILE* file,
                const TTransferOptions& options) override;
  // A multipart POST with certificate checks on, 3 s to connect and 60 s in all (enough
  // for a 2 MiB picture); cookies kept in the per-user data folder.
  std::string PostForm(const std::string& url, const std::vector<TMultipartField>& fields,
                       const std::vector<std::string>& headers) override;
};
