#include "refserver/HttpServer.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/beast/http/basic_parser.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <unordered_set>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>

namespace refserver {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = boost::beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

// The server may run inside a process that starts other programs (the workbench's tests do):
// a child that inherited a connection keeps it open after we close it, and the peer never
// learns that it ended. Asio opens and accepts sockets without close-on-exec.
void closeOnExec(int fd) {
  const int flags = ::fcntl(fd, F_GETFD);
  if (flags >= 0) ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
}

// Set by a handler, read after its run: a run and its handler are on one thread.
thread_local bool t_closeAfterReply = false;
thread_local bool t_bodyPending = false;
thread_local std::vector<std::shared_ptr<const std::string>> t_sharedBytes;

// A body above this, or one the client waits to send until told to go on, is first offered
// to the handler with the headers alone: most refusals need nothing more.
constexpr std::uint64_t kHeaderFirstAbove = 64 * 1024;
// Request line and headers together; the library's own limits on them are within this.
constexpr std::uint32_t kMaxHeaderBytes = 64 * 1024;
// After a reply to a request whose body was left unread: how long the rest is read and
// dropped before the connection closes. Closing with unread bytes makes the kernel reset the
// connection, and a client still sending its body would lose the reply.
constexpr auto kLinger = std::chrono::seconds(2);
// How often connections are checked against their deadlines.
constexpr auto kSweepEvery = std::chrono::milliseconds(100);
// How long accepting pauses when the process is out of file descriptors.
constexpr auto kAcceptPause = std::chrono::milliseconds(100);

// Where a request ends, by Beast's parser; it keeps nothing of the request, whose bytes stay
// in the connection's buffer for the library to read again.
class CFraming : public http::basic_parser<true> {
 public:
  bool ExpectsContinue() const { return m_bExpectContinue; }
  const std::string& Path() const { return m_sPath; }

 private:
  void on_request_impl(http::verb, beast::string_view, beast::string_view target, int,
                       beast::error_code&) override {
    m_sPath = std::string(target.substr(0, target.find('?')));
  }
  void on_response_impl(int, beast::string_view, int, beast::error_code&) override {}
  void on_field_impl(http::field name, beast::string_view, beast::string_view value,
                     beast::error_code&) override {
    // The library answers the same exact value, and only it.
    if (name == http::field::expect && value == "100-continue") m_bExpectContinue = true;
  }
  void on_header_impl(beast::error_code&) override {}
  void on_body_init_impl(const boost::optional<std::uint64_t>&, beast::error_code&) override {}
  std::size_t on_body_impl(beast::string_view body, beast::error_code&) override {
    return body.size();
  }
  void on_chunk_header_impl(std::uint64_t, beast::string_view, beast::error_code&) override {}
  std::size_t on_chunk_body_impl(std::uint64_t, beast::string_view body,
                                 beast::error_code&) override {
    return body.size();
  }
  void on_finish_impl(beast::error_code&) override {}

  bool m_bExpectContinue = false;
  std::string m_sPath;
};

// A reply's bytes: copies of what the library wrote, and spans of shared bytes it wrote from.
class CReply {
 public:
  void Append(const char* data, size_t size) {
    m_nSize += size;
    for (const auto& shared : t_sharedBytes) {
      const char* begin = shared->data();
      if (data < begin || data + size > begin + shared->size()) continue;
      if (!m_pieces.empty() && m_pieces.back().pShared == shared &&
          m_pieces.back().pData + m_pieces.back().nSize == data) {
        m_pieces.back().nSize += size;
      } else {
        m_pieces.push_back({{}, shared, data, size});
      }
      return;
    }
    if (m_pieces.empty() || m_pieces.back().pShared) m_pieces.emplace_back();
    m_pieces.back().sOwned.append(data, size);
  }

  size_t Size() const { return m_nSize; }
  bool Empty() const { return m_nSize == 0; }

  // Drops `prefix` from the front when the reply begins with it.
  void DropPrefix(const std::string& prefix) {
    if (prefix.empty() || m_pieces.empty() || m_pieces.front().pShared) return;
    std::string& first = m_pieces.front().sOwned;
    if (first.compare(0, prefix.size(), prefix) != 0) return;
    first.erase(0, prefix.size());
    m_nSize -= prefix.size();
  }

  // The pieces as buffers; valid until the reply changes.
  std::vector<asio::const_buffer> Buffers() const {
    std::vector<asio::const_buffer> buffers;
    buffers.reserve(m_pieces.size());
    for (const auto& piece : m_pieces) {
      if (piece.pShared)
        buffers.emplace_back(piece.pData, piece.nSize);
      else if (!piece.sOwned.empty())
        buffers.emplace_back(piece.sOwned.data(), piece.sOwned.size());
    }
    return buffers;
  }

  std::string Text() const {
    std::string text;
    for (const auto& piece : m_pieces)
      text += piece.pShared ? std::string(piece.pData, piece.nSize) : piece.sOwned;
    return text;
  }

 private:
  struct TPiece {
    std::string sOwned;
    std::shared_ptr<const std::string> pShared;
    const char* pData = nullptr;
    size_t nSize = 0;
  };
  std::vector<TPiece> m_pieces;
  size_t m_nSize = 0;
};

struct TPeer {
  std::string sRemoteIp;
  int nRemotePort = 0;
  std::string sLocalIp;
  int nLocalPort = 0;
};

// One request's bytes as the library reads them, its reply collected for the loop. Run over
// the headers alone, a read past them marks the body as pending and fails; what the library
// wrote before that (an interim "100 Continue") is kept, the rest dropped.
class CRequestStream : public httplib::Stream {
 public:
  CRequestStream(const std::string& input, bool headersOnly, const TPeer& peer, CReply& reply)
      : m_input(input), m_bHeadersOnly(headersOnly), m_peer(peer), m_reply(reply) {}

  bool is_readable() const override { return m_nAt < m_input.size(); }
  bool is_writable() const override { return true; }
  ssize_t read(char* ptr, size_t size) override {
    if (m_nAt == m_input.size()) {
      if (!m_bHeadersOnly) return 0;
      t_bodyPending = true;
      return -1;
    }
    const size_t n = std::min(size, m_input.size() - m_nAt);
    std::memcpy(ptr, m_input.data() + m_nAt, n);
    m_nAt += n;
    return static_cast<ssize_t>(n);
  }
  ssize_t write(const char* ptr, size_t size) override {
    if (!t_bodyPending) m_reply.Append(ptr, size);
    return static_cast<ssize_t>(size);
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    ip = m_peer.sRemoteIp;
    port = m_peer.nRemotePort;
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    ip = m_peer.sLocalIp;
    port = m_peer.nLocalPort;
  }
  socket_t socket() const override { return INVALID_SOCKET; }

 private:
  const std::string& m_input;
  size_t m_nAt = 0;
  bool m_bHeadersOnly;
  const TPeer& m_peer;
  CReply& m_reply;
};

// Worker threads that run jobs in the order given. The loop gives no more than it allows
// to wait, so the queue here stays bounded.
class CWorkerPool {
 public:
  void Start(size_t threads, const std::function<void()>& setup = {}) {
    m_bStop = false;
    for (size_t i = 0; i < threads; ++i)
      m_threads.emplace_back([this, setup] {
        if (setup) setup();
        Work();
      });
  }
  void Submit(std::function<void()> job) {
    {
      std::lock_guard lock(m_mutex);
      m_jobs.push_back(std::move(job));
    }
    m_cv.notify_one();
  }
  // Drops the jobs not begun and waits for the running ones.
  void Stop() {
    {
      std::lock_guard lock(m_mutex);
      m_bStop = true;
      m_jobs.clear();
    }
    m_cv.notify_all();
    for (auto& thread : m_threads) thread.join();
    m_threads.clear();
  }

 private:
  void Work() {
    while (true) {
      std::function<void()> job;
      {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return m_bStop || !m_jobs.empty(); });
        if (m_bStop) return;
        job = std::move(m_jobs.front());
        m_jobs.pop_front();
      }
      job();
    }
  }

  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::deque<std::function<void()>> m_jobs;
  std::vector<std::thread> m_threads;
  bool m_bStop = false;
};

}  // namespace

// Everything on the loop: the acceptor, the connections, the pool's gate. Only the loop's
// thread touches a connection; a worker gets a copy of the request's bytes and hands the
// reply back by posting to the loop.
class CHttpServer::CEdge {
 public:
  explicit CEdge(CHttpServer& server) : m_server(server), m_limits(server.m_limits) {}

  int Listen(const std::string& address, int port);
  void AddLane(std::vector<std::string> paths, size_t threads, size_t queue,
               std::function<void()> setup) {
    m_setLanePaths.insert(paths.begin(), paths.end());
    m_nLaneThreads = threads;
    m_nLaneQueue = queue;
    m_laneSetup = std::move(setup);
  }
  bool Serve();
  void Stop();
  bool Running() const { return m_bServing; }
  size_t OpenConnections() const { return m_nOpen; }

 private:
  enum class EState { Idle, Header, Body, Handling, Writing, Lingering, Closed };

  struct TConnection {
    explicit TConnection(tcp::socket s) : socket(std::move(s)) {}
    tcp::socket socket;
    // When the current part of the connection's life runs out; none while a handler runs.
    Clock::time_point deadline = Clock::time_point::max();
    TPeer peer;
    EState state = EState::Idle;
    std::string sBuffer;  // bytes read and not yet answered, from the current request on
    std::optional<CFraming> framing;
    size_t nFramed = 0;  // bytes of sBuffer the framing took
    bool bPeerClosed = false;
    bool bHeadersOffered = false;  // the headers went to a handler alone
    std::string sInterim;          // sent ahead of the reply ("100 Continue")
    size_t nServed = 0;
    CReply reply;
    bool bCloseAfterWrite = false;
    bool bLingerAfterWrite = false;
  };
  using Connection = std::shared_ptr<TConnection>;

  struct TOutcome {
    CReply reply;
    bool bBodyPending = false;
    bool bClose = false;
  };

  void Accept();
  void OnAccepted(tcp::socket socket);
  void Close(const Connection& c);
  void Arm(const Connection& c, Clock::duration after);
  void Disarm(const Connection& c);
  void Sweep();
  void WaitReadable(const Connection& c);
  void OnReadable(const Connection& c);
  void Advance(const Connection& c);
  void Dispatch(const Connection& c, std::string input, bool headersOnly, bool last, bool lane);
  void RunNext();
  void OnHandled(const Connection& c, bool headersOnly, TOutcome& outcome);
  void Write(const Connection& c);
  void OnWritten(const Connection& c);
  void Linger(const Connection& c);
  TOutcome Run(const std::string& input, bool headersOnly, bool last, const TPeer& peer);

  CHttpServer& m_server;
  const THttpLimits& m_limits;
  asio::io_context m_io{1};
  tcp::acceptor m_acceptor{m_io};
  asio::steady_timer m_acceptPause{m_io};
  asio::steady_timer m_sweep{m_io};
  std::unordered_set<Connection> m_connections;
  std::map<std::string, size_t> m_perAddress;
  std::atomic<size_t> m_nOpen = 0;
  CWorkerPool m_pool;
  size_t m_nGiven = 0;                          // jobs with the pool, waiting or running
  std::deque<std::function<void()>> m_waiting;  // jobs beyond what the pool may hold
  std::array<char, 64 * 1024> m_readBuffer{};
  std::set<std::string> m_setLanePaths;
  size_t m_nLaneThreads = 0;
  size_t m_nLaneQueue = 0;
  std::function<void()> m_laneSetup;
  CWorkerPool m_lanePool;
  size_t m_nLaneGiven = 0;  // jobs with the lane, waiting or running

  std::mutex m_stateMutex;
  std::condition_variable m_stateCv;
  bool m_bStopRequested = false;
  std::atomic<bool> m_bServing = false;
};

int CHttpServer::CEdge::Listen(const std::string& address, int port) {
  boost::system::error_code ec;
  tcp::resolver resolver(m_io);
  const auto results = resolver.resolve(
      address, std::to_string(port), tcp::resolver::passive | tcp::resolver::numeric_service, ec);
  if (ec || results.empty()) return -1;
  const tcp::endpoint endpoint = results.begin()->endpoint();
  m_acceptor.open(endpoint.protocol(), ec);
  if (!ec) closeOnExec(m_acceptor.native_handle());
  if (!ec) m_acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
  if (!ec) m_acceptor.bind(endpoint, ec);
  if (!ec) m_acceptor.listen(m_limits.nListenBacklog, ec);
  if (ec) {
    m_acceptor.close(ec);
    return -1;
  }
  // The library writes a reply from a content provider only while it has a listening socket.
  m_server.svr_sock_ = m_acceptor.native_handle();
  return m_acceptor.local_endpoint().port();
}

bool CHttpServer::CEdge::Serve() {
  {
    std::lock_guard lock(m_stateMutex);
    if (m_bStopRequested || !m_acceptor.is_open()) return false;
    m_bServing = true;
  }
  m_pool.Start(m_limits.nWorkers);
  m_lanePool.Start(m_nLaneThreads, m_laneSetup);
  Accept();
  Sweep();
  m_io.run();
  m_pool.Stop();
  m_lanePool.Stop();
  // Replies handed back after the loop stopped go nowhere.
  m_io.restart();
  m_io.poll();
  m_server.svr_sock_ = INVALID_SOCKET;
  {
    std::lock_guard lock(m_stateMutex);
    m_bServing = false;
  }
  m_stateCv.notify_all();
  return true;
}

void CHttpServer::CEdge::Stop() {
  std::unique_lock lock(m_stateMutex);
  const bool first = !m_bStopRequested;
  m_bStopRequested = true;
  if (!m_bServing) return;
  if (first)
    asio::post(m_io, [this] {
      boost::system::error_code ec;
      m_acceptor.close(ec);
      m_acceptPause.cancel();
      m_sweep.cancel();
      for (const Connection& c :
           std::vector<Connection>(m_connections.begin(), m_connections.end()))
        Close(c);
      m_waiting.clear();
      m_io.stop();
    });
  m_stateCv.wait(lock, [this] { return !m_bServing; });
}

void CHttpServer::CEdge::Accept() {
  m_acceptor.async_accept([this](const boost::system::error_code& ec, tcp::socket socket) {
    if (!m_acceptor.is_open()) return;
    if (!ec) {
      OnAccepted(std::move(socket));
      Accept();
      return;
    }
    // Out of descriptors, or a connection reset before it was taken: try again shortly.
    m_acceptPause.expires_after(kAcceptPause);
    m_acceptPause.async_wait([this](const boost::system::error_code& waited) {
      if (!waited && m_acceptor.is_open()) Accept();
    });
  });
}

void CHttpServer::CEdge::OnAccepted(tcp::socket socket) {
  closeOnExec(socket.native_handle());
  boost::system::error_code ec;
  const tcp::endpoint remote = socket.remote_endpoint(ec);
  if (ec) return;
  const std::string address = remote.address().to_string();
  // Over a cap the connection is closed at once: it has cost nothing yet.
  if (m_connections.size() >= m_limits.nMaxConnections ||
      m_perAddress[address] >= m_limits.nMaxConnectionsPerAddress) {
    if (m_perAddress[address] == 0) m_perAddress.erase(address);
    socket.close(ec);
    return;
  }
  socket.set_option(tcp::no_delay(true), ec);
  socket.non_blocking(true, ec);
  const tcp::endpoint local = socket.local_endpoint(ec);
  auto c = std::make_shared<TConnection>(std::move(socket));
  c->peer = {address, remote.port(), local.address().to_string(), local.port()};
  ++m_perAddress[address];
  m_connections.insert(c);
  m_nOpen = m_connections.size();
  Arm(c, m_limits.idle);
  // A client usually sends its request with the connection: read it without waiting.
  OnReadable(c);
}

void CHttpServer::CEdge::Close(const Connection& c) {
  if (c->state == EState::Closed) return;
  c->state = EState::Closed;
  boost::system::error_code ec;
  c->socket.close(ec);
  c->reply = CReply();
  c->sBuffer.clear();
  c->sBuffer.shrink_to_fit();
  const auto it = m_perAddress.find(c->peer.sRemoteIp);
  if (it != m_perAddress.end() && --it->second == 0) m_perAddress.erase(it);
  m_connections.erase(c);
  m_nOpen = m_connections.size();
}

// Deadlines are kept per connection and checked by one sweep a few times a second: a
// timer per connection would be rescheduled several times for every request.
void CHttpServer::CEdge::Arm(const Connection& c, Clock::duration after) {
  c->deadline = Clock::now() + after;
}

void CHttpServer::CEdge::Disarm(const Connection& c) {
  c->deadline = Clock::time_point::max();
}

void CHttpServer::CEdge::Sweep() {
  m_sweep.expires_after(kSweepEvery);
  m_sweep.async_wait([this](const boost::system::error_code& ec) {
    if (ec) return;
    const auto now = Clock::now();
    std::vector<Connection> expired;
    for (const Connection& c : m_connections)
      if (c->deadline <= now) expired.push_back(c);
    for (const Connection& c : expired) Close(c);
    Sweep();
  });
}

void CHttpServer::CEdge::WaitReadable(const Connection& c) {
  c->socket.async_wait(tcp::socket::wait_read, [this, c](const boost::system::error_code& ec) {
    if (c->state == EState::Closed) return;
    if (ec) {
      Close(c);
      return;
    }
    OnReadable(c);
  });
}

void CHttpServer::CEdge::OnReadable(const Connection& c) {
  // Reads what has arrived: one loop-wide buffer, so a waiting connection holds none.
  for (int round = 0; round < 16; ++round) {
    boost::system::error_code ec;
    const size_t n = c->socket.read_some(asio::buffer(m_readBuffer), ec);
    if (ec == asio::error::would_block || ec == asio::error::try_again) break;
    if (ec || n == 0) {
      c->bPeerClosed = true;
      break;
    }
    if (c->state == EState::Lingering) continue;
    c->sBuffer.append(m_readBuffer.data(), n);
    if (n < m_readBuffer.size()) break;
  }
  if (c->state == EState::Lingering) {
    if (c->bPeerClosed)
      Close(c);
    else
      WaitReadable(c);
    return;
  }
  Advance(c);
}

// Takes the connection as far as the bytes it has allow: a complete request to a handler,
// headers of a large body to a handler alone, or back to waiting.
void CHttpServer::CEdge::Advance(const Connection& c) {
  if (c->sBuffer.empty()) {
    if (c->bPeerClosed)
      Close(c);
    else
      WaitReadable(c);
    return;
  }
  if (c->state == EState::Idle) {
    c->state = EState::Header;
    c->framing.emplace();
    c->framing->eager(true);
    c->framing->header_limit(kMaxHeaderBytes);
    c->framing->body_limit(m_limits.nMaxRequestBytes);
    c->nFramed = 0;
    c->bHeadersOffered = false;
    c->sInterim.clear();
    Arm(c, m_limits.headerRead);
  }
  const bool last = c->nServed + 1 >= m_limits.nRequestsPerConnection;
  beast::error_code ec;
  while (!c->framing->is_done() && c->nFramed < c->sBuffer.size()) {
    const size_t n = c->framing->put(
        asio::buffer(c->sBuffer.data() + c->nFramed, c->sBuffer.size() - c->nFramed), ec);
    c->nFramed += n;
    if (ec == http::error::need_more) {
      ec = {};
      break;
    }
    if (ec || n == 0) break;
  }
  if (ec) {
    // Not a request the parser takes: the library reads what came and answers as it does
    // to such bytes, and the connection ends.
    c->bLingerAfterWrite = true;
    Dispatch(c, std::move(c->sBuffer), false, true, false);
    c->sBuffer.clear();
    return;
  }
  if (c->framing->is_done()) {
    std::string request = c->sBuffer.substr(0, c->nFramed);
    c->sBuffer.erase(0, c->nFramed);
    Dispatch(c, std::move(request), false, last || c->bPeerClosed,
             m_setLanePaths.count(c->framing->Path()) > 0);
    return;
  }
  if (c->framing->is_header_done()) {
    if (c->state == EState::Header) {
      c->state = EState::Body;
      Arm(c, m_limits.bodyRead);
    }
    const auto length = c->framing->content_length();
    if (!c->bHeadersOffered &&
        (c->framing->ExpectsContinue() || (length && *length > kHeaderFirstAbove))) {
      c->bHeadersOffered = true;
      Dispatch(c, c->sBuffer.substr(0, c->nFramed), true, last, false);
      return;
    }
  }
  if (c->bPeerClosed) {
    Close(c);
    return;
  }
  WaitReadable(c);
}

void CHttpServer::CEdge::Dispatch(const Connection& c, std::string input, bool headersOnly,
                                  bool last, bool lane) {
  // A full lane sends the request to the workers, where its handler meets the lane's work
  // busy and says so at once.
  lane = lane && m_nLaneGiven < m_nLaneThreads + m_nLaneQueue;
  const EState resumeIn = c->state;
  c->state = EState::Handling;
  if (!headersOnly) Disarm(c);
  // The job hands its reference to the connection back with the reply, so the connection
  // is only ever let go of on the loop.
  auto job = [this, c, input = std::move(input), headersOnly, last, resumeIn, lane]() mutable {
    auto outcome = std::make_shared<TOutcome>(Run(input, headersOnly, last, c->peer));
    asio::post(m_io, [this, c = std::move(c), headersOnly, outcome, resumeIn, lane] {
      if (lane) {
        --m_nLaneGiven;
      } else {
        --m_nGiven;
        RunNext();
      }
      if (c->state == EState::Closed) return;
      if (headersOnly && outcome->bBodyPending) c->state = resumeIn;
      OnHandled(c, headersOnly, *outcome);
    });
  };
  if (lane) {
    ++m_nLaneGiven;
    m_lanePool.Submit(std::move(job));
    return;
  }
  m_waiting.push_back(std::move(job));
  RunNext();
}

void CHttpServer::CEdge::RunNext() {
  while (!m_waiting.empty() && m_nGiven < m_limits.nWorkers + m_limits.nQueuedRequests) {
    ++m_nGiven;
    m_pool.Submit(std::move(m_waiting.front()));
    m_waiting.pop_front();
  }
}

CHttpServer::CEdge::TOutcome CHttpServer::CEdge::Run(const std::string& input, bool headersOnly,
                                                     bool last, const TPeer& peer) {
  TOutcome outcome;
  t_closeAfterReply = false;
  t_bodyPending = false;
  t_sharedBytes.clear();
  CRequestStream stream(input, headersOnly, peer, outcome.reply);
  bool closedByClient = false;
  bool ok = false;
  try {
    ok = m_server.process_request(stream, last, closedByClient, nullptr);
  } catch (const std::exception&) {
    // The library answers a handler's exception itself; this is one outside any handler
    // (out of memory while writing the reply): the connection ends without a reply.
    outcome.reply = CReply();
    t_bodyPending = false;
  }
  outcome.bBodyPending = t_bodyPending;
  outcome.bClose = !ok || closedByClient || t_closeAfterReply || last;
  t_closeAfterReply = false;
  t_bodyPending = false;
  t_sharedBytes.clear();
  return outcome;
}

void CHttpServer::CEdge::OnHandled(const Connection& c, bool headersOnly, TOutcome& outcome) {
  if (headersOnly && outcome.bBodyPending) {
    // The handler wants the body: tell a client that waits to go on, and read it.
    if (!outcome.reply.Empty()) {
      c->sInterim = outcome.reply.Text();
      boost::system::error_code ec;
      asio::write(c->socket, asio::buffer(c->sInterim), ec);
      if (ec) {
        Close(c);
        return;
      }
    }
    Advance(c);
    return;
  }
  c->reply = std::move(outcome.reply);
  c->reply.DropPrefix(c->sInterim);
  c->bCloseAfterWrite = outcome.bClose || headersOnly || c->bLingerAfterWrite;
  // A refusal from the headers leaves the body unread.
  if (headersOnly) c->bLingerAfterWrite = true;
  if (!headersOnly) ++c->nServed;
  Write(c);
}

void CHttpServer::CEdge::Write(const Connection& c) {
  c->state = EState::Writing;
  Arm(c, m_limits.replyWrite);
  asio::async_write(c->socket, c->reply.Buffers(),
                    [this, c](const boost::system::error_code& ec, size_t) {
                      if (c->state == EState::Closed) return;
                      if (ec) {
                        Close(c);
                        return;
                      }
                      OnWritten(c);
                    });
}

void CHttpServer::CEdge::OnWritten(const Connection& c) {
  c->reply = CReply();
  if (c->bCloseAfterWrite) {
    if (c->bLingerAfterWrite || !c->sBuffer.empty())
      Linger(c);
    else
      Close(c);
    return;
  }
  c->state = EState::Idle;
  c->framing.reset();
  if (c->sBuffer.empty()) {
    c->sBuffer.shrink_to_fit();
    Arm(c, m_limits.idle);
  }
  Advance(c);
}

void CHttpServer::CEdge::Linger(const Connection& c) {
  c->state = EState::Lingering;
  c->sBuffer.clear();
  c->sBuffer.shrink_to_fit();
  boost::system::error_code ec;
  c->socket.shutdown(tcp::socket::shutdown_send, ec);
  if (ec || c->bPeerClosed) {
    Close(c);
    return;
  }
  Arm(c, kLinger);
  WaitReadable(c);
}

CHttpServer::CHttpServer(THttpLimits limits)
    : m_limits(limits), m_pEdge(std::make_unique<CEdge>(*this)) {
  // Only for the Keep-Alive header the library writes; the loop rules.
  const auto idleSeconds = std::chrono::ceil<std::chrono::seconds>(m_limits.idle).count();
  set_keep_alive_timeout(static_cast<time_t>(idleSeconds));
  set_keep_alive_max_count(m_limits.nRequestsPerConnection);
  set_payload_max_length(m_limits.nMaxRequestBytes);
}

CHttpServer::~CHttpServer() {
  Stop();
}

int CHttpServer::Listen(const std::string& address, int port) {
  return m_pEdge->Listen(address, port);
}

void CHttpServer::AddLane(std::vector<std::string> paths, size_t threads, size_t queue,
                          std::function<void()> setup) {
  m_pEdge->AddLane(std::move(paths), threads, queue, std::move(setup));
}

bool CHttpServer::Serve() {
  return m_pEdge->Serve();
}

bool CHttpServer::Running() const {
  return m_pEdge->Running();
}

void CHttpServer::Stop() {
  m_pEdge->Stop();
}

size_t CHttpServer::OpenConnections() const {
  return m_pEdge->OpenConnections();
}

void CHttpServer::CloseAfterReply() {
  t_closeAfterReply = true;
}

bool CHttpServer::BodyPending() {
  return t_bodyPending;
}

void CHttpServer::ShareReplyBytes(std::shared_ptr<const std::string> bytes) {
  t_sharedBytes.push_back(std::move(bytes));
}

bool CHttpServer::ServeStream(httplib::Stream& stream) {
  bool ok = true;
  for (size_t left = m_limits.nRequestsPerConnection; left > 0 && stream.is_readable(); --left) {
    bool closedByClient = false;
    t_closeAfterReply = false;
    ok = process_request(stream, left == 1, closedByClient, nullptr);
    t_sharedBytes.clear();
    if (!ok || closedByClient || t_closeAfterReply) break;
  }
  t_closeAfterReply = false;
  return ok;
}

}  // namespace refserver
