#include "refserver/ListCache.h"

#include <zlib.h>

#include <stdexcept>

namespace refserver {

namespace {

size_t sizeOf(const TListReply& reply) {
  return reply.sPlain.size() + reply.sGzip.size();
}

}  // namespace

std::string GzipCompress(const std::string& bytes) {
  z_stream stream{};
  // 31: a gzip header and trailer around a 32 KiB window; the library's own settings.
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("zlib cannot be initialised");
  std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (rc != Z_STREAM_END) throw std::runtime_error("gzip compression failed");
  return out;
}

CListCache::CListCache(size_t maxBytes) : m_nMaxBytes(maxBytes) {}

std::shared_ptr<CListCache::TSlot> CListCache::SlotLocked(std::int64_t account) {
  std::shared_ptr<TSlot>& slot = m_mapSlots[account];
  if (!slot) slot = std::make_shared<TSlot>();
  return slot;
}

std::shared_ptr<const TListReply> CListCache::Get(std::int64_t account,
                                                  const std::string& downloadBase,
                                                  const std::function<std::string()>& build) {
  std::shared_ptr<TSlot> slot;
  {
    std::lock_guard lock(m_mutex);
    slot = SlotLocked(account);
    if (slot->pReply && slot->nReplyGeneration == slot->nGeneration &&
        slot->sBase == downloadBase) {
      TouchLocked(account, *slot);
      return slot->pReply;
    }
  }
  std::lock_guard building(slot->buildMutex);
  std::uint64_t generation = 0;
  {
    // Another request may have built it while this one waited for its turn.
    std::lock_guard lock(m_mutex);
    if (slot->pReply && slot->nReplyGeneration == slot->nGeneration &&
        slot->sBase == downloadBase) {
      TouchLocked(account, *slot);
      return slot->pReply;
    }
    generation = slot->nGeneration;
  }
  auto reply = std::make_shared<TListReply>();
  reply->sPlain = build();
  reply->sGzip = GzipCompress(reply->sPlain);
  std::lock_guard lock(m_mutex);
  ++m_nBuilds;
  if (slot->pReply) m_nBytes -= sizeOf(*slot->pReply);
  slot->pReply = reply;
  slot->nReplyGeneration = generation;
  slot->sBase = downloadBase;
  m_nBytes += sizeOf(*reply);
  TouchLocked(account, *slot);
  EvictLocked();
  return reply;
}

void CListCache::Invalidate(std::int64_t account) {
  std::lock_guard lock(m_mutex);
  ++SlotLocked(account)->nGeneration;
}

std::uint64_t CListCache::Builds() const {
  std::lock_guard lock(m_mutex);
  return m_nBuilds;
}

void CListCache::TouchLocked(std::int64_t account, TSlot& slot) {
  if (slot.bInRecent) m_listRecent.erase(slot.itRecent);
  m_listRecent.push_front(account);
  slot.itRecent = m_listRecent.begin();
  slot.bInRecent = true;
}

void CListCache::EvictLocked() {
  // The newest reply stays even when it alone is over the bound: it was just asked for.
  while (m_nBytes > m_nMaxBytes && m_listRecent.size() > 1) {
    const std::int64_t account = m_listRecent.back();
    m_listRecent.pop_back();
    const auto it = m_mapSlots.find(account);
    if (it == m_mapSlots.end()) continue;
    TSlot& slot = *it->second;
    slot.bInRecent = false;
    if (slot.pReply) m_nBytes -= sizeOf(*slot.pReply);
    slot.pReply.reset();
  }
}

}  // namespace refserver
