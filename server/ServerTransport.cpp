#include "server/ServerTransport.h"

#include "platform/log/Log.h"
#include "server/CurlTransport.h"

#include <algorithm>
#include <atomic>

namespace {

std::atomic<IServerTransport*> s_pTransport{nullptr};

// Field k (from 1) is the text after the (k-1)-th "|" and before the k-th one.
std::vector<std::string> splitFieldList(const std::string& fieldList) {
  std::vector<std::string> fields;
  std::string::size_type start = 0;
  for (;;) {
    const auto bar = fieldList.find('|', start);
    fields.push_back(fieldList.substr(start, bar == std::string::npos ? bar : bar - start));
    if (bar == std::string::npos) return fields;
    start = bar + 1;
  }
}

// Header lines in the order the upload has always sent them.
std::vector<std::string> uploadHeaders(const std::string& extraHeader1,
                                       const std::string& extraHeader2) {
  std::vector<std::string> headers{"Expect: ", "Connection:keep-alive"};
  if (!extraHeader2.empty()) headers.push_back(extraHeader2);
  headers.push_back("Content-type:multipart/form-data");
  if (!extraHeader1.empty()) headers.push_back(extraHeader1);
  headers.push_back("Accept-Encoding: gzip,deflate");
  headers.push_back("Accept-Language:zh-CN,zh;q=0.8");
  return headers;
}

}  // namespace

IServerTransport& GetServerTransport() {
  static CCurlTransport s_curlTransport;
  IServerTransport* installed = s_pTransport.load(std::memory_order_acquire);
  return installed ? *installed : s_curlTransport;
}

void SetServerTransport(IServerTransport* transport) {
  s_pTransport.store(transport, std::memory_order_release);
}

std::string PostMultipart(std::string& response, int pairCount, const std::string& address,
                          const std::string& fieldList, const std::string& extraHeader1,
                          const std::string& extraHeader2) {
  response.clear();
  if (pairCount < 1) {
    TC_LOGF(TC_LOG_ERROR, "PostMultipart: no field pairs (%d).", pairCount);
    return response;
  }
  const std::vector<std::string> texts = splitFieldList(fieldList);
  auto fieldAt = [&texts](size_t k) { return k <= texts.size() ? texts[k - 1] : std::string(); };
  // Pairs beyond the fields given would only add empty parts.
  const size_t pairs = std::min(static_cast<size_t>(pairCount), (texts.size() + 1) / 2);
  std::vector<TMultipartField> fields{{fieldAt(1), fieldAt(2), true}};
  for (size_t k = 2; k <= pairs; ++k) fields.push_back({fieldAt(2 * k - 1), fieldAt(2 * k), false});
  return PostMultipartFields(response, address, fields, extraHeader1, extraHeader2);
}

std::string PostMultipartFields(std::string& response, const std::string& address,
                                const std::vector<TMultipartField>& fields,
                                const std::string& extraHeader1, const std::string& extraHeader2) {
  response =
      GetServerTransport().PostForm(address, fields, uploadHeaders(extraHeader1, extraHeader2));
  return response;
}
