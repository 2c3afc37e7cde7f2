// The library's server with connection handling of our own: every request runs on a
// CDeadlineStream, so a slow or silent client costs a worker for a bounded time, and an idle
// kept-alive connection is let go after a short wait. Requests, routing and replies are the
// library's.
//
// The server owns one for its whole life. Handlers run on the library's worker threads,
// one connection's requests after one another on one thread; Stop() may come from any thread.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>

namespace refserver {

// How long a connection may take over each part of its life.
struct THttpLimits {
  std::chrono::milliseconds requestRead{5000};  // request line, headers and body, in total
  std::chrono::milliseconds replyWrite{30000};  // the whole reply
  std::chrono::milliseconds idle{2000};         // a kept-alive connection between requests
  size_t nRequestsPerConnection = 100;
  int nListenBacklog = 1024;
};

class CHttpServer : public httplib::Server {
 public:
  explicit CHttpServer(THttpLimits limits);

  // The library listens with a backlog of 5, which overflows at a few dozen clients
  // connecting at once; call after binding.
  void RaiseListenBacklog();

  // Closes the connection of the request being served on this thread once its reply is
  // written (a refused body that was left unread must not be taken for the next request).
  static void CloseAfterReply();

  // Serves the requests read from `stream` on the calling thread, one after another as on a
  // kept-alive connection, until the stream ends, a request fails or asks to close, or
  // nRequestsPerConnection were served. No socket and no deadline: for running the request
  // handling in process (the fuzz target). False when the last request could not be served.
  bool ServeStream(httplib::Stream& stream);

 private:
  bool process_and_close_socket(int sock) override;
  // Waits for the first byte of the next request; false on idle time-out, close or stop.
  bool WaitForRequest(int sock) const;

  THttpLimits m_limits;
};

}  // namespace refserver
