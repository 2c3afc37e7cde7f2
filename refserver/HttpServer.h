// The HTTP edge: connections live on one event-loop thread (Boost.Asio over epoll), which
// accepts, reads requests, writes replies and keeps connections alive; Boost.Beast's parser
// tells where a request's headers and body end. Only a complete request goes to a handler,
// on a bounded pool of worker threads, so an idle, slow or stalled connection costs a file
// descriptor and a little memory, never a worker.
//
// Routing and replies stay the library's (cpp-httplib): a worker runs the library's request
// handling over the request's bytes held in memory and hands the reply's bytes back to the
// loop. A request whose body is large or awaited with "Expect: 100-continue" is first run
// over its headers alone; a handler that refuses it from the headers answers at once, and
// the body is never read on.
//
// The server owns one for its whole life. Bind() and the routes first, then Serve() on one
// thread; Stop() may come from any thread, before or during Serve().
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace refserver {

// How long a connection may take over each part of its life, and how many there may be.
struct THttpLimits {
  std::chrono::milliseconds headerRead{5000};   // request line and headers, from the first byte
  std::chrono::milliseconds bodyRead{10000};    // the body, from the end of the headers
  std::chrono::milliseconds replyWrite{30000};  // the whole reply
  std::chrono::milliseconds idle{2000};         // a kept-alive connection between requests
  size_t nRequestsPerConnection = 100;
  int nListenBacklog = 1024;
  size_t nMaxConnections = 10000;
  size_t nMaxConnectionsPerAddress = 128;
  size_t nWorkers = 32;
  size_t nQueuedRequests = 256;  // complete requests waiting for a worker; more wait unread
  size_t nMaxRequestBytes = 16 * 1024 * 1024;
};

class CHttpServer : public httplib::Server {
 public:
  explicit CHttpServer(THttpLimits limits);
  ~CHttpServer() override;

  // Listens on address:port (0: a free port, returned); -1 when it cannot. SO_REUSEADDR
  // only: a second server on a port in use must fail rather than share its connections.
  int Listen(const std::string& address, int port);
  // Requests to these paths (the part before any query) run on `threads` threads of their
  // own, with up to `queue` more waiting on the loop; beyond that they run on the workers
  // like any other. For work that must not hold the workers while it waits its turn
  // (password hashing): `setup` runs first on each of the lane's threads. Before Serve().
  void AddLane(std::vector<std::string> paths, size_t threads, size_t queue,
               std::function<void()> setup);
  // Serves on the calling thread until Stop(); at once false when stopped before.
  bool Serve();
  bool Running() const;
  // Stops accepting, closes every connection and returns once no handler is running.
  void Stop();

  // Closes the connection of the request being served on this thread once its reply is
  // written (a refused body that was left unread must not be taken for the next request).
  static void CloseAfterReply();
  // True while the request on this thread is run over its headers alone and its handler has
  // asked for the body: whatever it answers is dropped, and it runs again once the body is
  // in. Such a run must leave no trace (no log line).
  static bool BodyPending();
  // Bytes the reply of this thread's request is written from and that outlive it: written
  // from where they are rather than copied, so a slow reader of a large reply holds a share
  // of it instead of a copy of its own.
  static void ShareReplyBytes(std::shared_ptr<const std::string> bytes);

  // Serves the requests read from `stream` on the calling thread, one after another as on a
  // kept-alive connection, until the stream ends, a request fails or asks to close, or
  // nRequestsPerConnection were served. No socket and no deadline: for running the request
  // handling in process (the fuzz target). False when the last request could not be served.
  bool ServeStream(httplib::Stream& stream);

  // Open connections now (read on the loop's thread or after Serve() returned).
  size_t OpenConnections() const;

 private:
  class CEdge;
  friend class CEdge;

  THttpLimits m_limits;
  std::unique_ptr<CEdge> m_pEdge;
};

}  // namespace refserver
