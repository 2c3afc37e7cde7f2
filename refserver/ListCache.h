// The list reply of each account, built once and kept, plain and gzip-compressed, until the
// account's library changes: a library of 50,000 messages is a 15 MB reply, and building and
// compressing it for every call took the server most of a second each time.
//
// Every write to an account's library calls Invalidate() after it committed; a reply built
// from a read that raced with the write is never handed out after that call (each reply
// carries the generation it was built at). Builds for one account take turns, so a crowd
// asking for a cold list builds it once. The kept replies are bounded in total bytes; the
// least recently used go first. Safe from every request thread; replies are immutable and
// shared, so a reply being written to a client outlives its eviction.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace refserver {

struct TListReply {
  std::string sPlain;
  std::string sGzip;
};

class CListCache {
 public:
  explicit CListCache(size_t maxBytes);

  // The account's reply for this download base (the list points pictures at it): the kept
  // one, or one made by `build`, compressed and kept. Throws what `build` throws.
  std::shared_ptr<const TListReply> Get(std::int64_t account, const std::string& downloadBase,
                                        const std::function<std::string()>& build);
  void Invalidate(std::int64_t account);

  // Replies built so far.
  std::uint64_t Builds() const;

 private:
  struct TSlot {
    std::mutex buildMutex;  // one build at a time per account
    std::uint64_t nGeneration = 0;
    std::shared_ptr<const TListReply> pReply;
    std::uint64_t nReplyGeneration = 0;
    std::string sBase;
    std::list<std::int64_t>::iterator itRecent;
    bool bInRecent = false;
  };

  std::shared_ptr<TSlot> SlotLocked(std::int64_t account);
  void TouchLocked(std::int64_t account, TSlot& slot);
  void EvictLocked();

  size_t m_nMaxBytes;
  mutable std::mutex m_mutex;
  std::map<std::int64_t, std::shared_ptr<TSlot>> m_mapSlots;
  std::list<std::int64_t> m_listRecent;  // accounts with a kept reply, most recent first
  size_t m_nBytes = 0;
  std::uint64_t m_nBuilds = 0;
};

// The gzip stream of the bytes, made as the HTTP library makes it (zlib's default level).
std::string GzipCompress(const std::string& bytes);

}  // namespace refserver
