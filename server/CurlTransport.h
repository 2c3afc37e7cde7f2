// The libcurl transport. libcurl's process-wide state is set up once, on first use, and
// never torn down while threads may still transfer.
//
// Form requests and downloads reuse connections: each thread keeps a connection cache (a
// libcurl share of connections and resolved names) between transfers, so that consecutive
// requests to the same server go over one connection instead of a new connect each time;
// threads never share one. Every transfer has a new easy handle on that cache, so a transfer
// never inherits another's settings or state. The picture upload keeps a handle of its own
// per post, outside the cache, so that its cookies stay out of the form requests.
#pragma once

#include "server/ServerTransport.h"

class CCurlTransport : public IServerTransport {
 public:
  // `reuseConnections` false: a new handle, and so a new connection, for every transfer
  // (for comparison in the benchmark).
  explicit CCurlTransport(bool reuseConnections = true) : m_bReuse(reuseConnections) {}

  // A form POST (GET for an empty body), 3 s to connect, 10 s in all. Form replies are
  // asked for gzip; the size limit counts the inflated bytes.
  bool Transfer(const std::string& url, const std::string& body, std::FILE* file,
                const TTransferOptions& options) override;
  // A multipart POST with certificate checks on, 3 s to connect and 60 s in all (enough
  // for a 2 MiB picture); cookies kept in the per-user data folder.
  std::string PostForm(const std::string& url, const std::vector<TMultipartField>& fields,
                       const std::vector<std::string>& headers) override;

  // Closes the connections the calling thread keeps between transfers (they also close when
  // the thread ends). A server that waits on an idle connection before it can stop, as a
  // test's server does, stops at once after this.
  static void CloseThreadConnections();

 private:
  bool m_bReuse;
};
