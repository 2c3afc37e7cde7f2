// The transport under CConnServer: one replaceable object that carries a request to the
// vendor's server and hands back the reply body. Production uses libcurl (CCurlTransport);
// the fuzz target installs a transport that answers with its input bytes, so every
// operation's reply reading runs without a network.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

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
  // `file`. True when the transfer completed; with failOnHttpError an HTTP status of 400
  // or more counts as a failed transfer, otherwise any status completes.
  virtual bool Transfer(const std::string& url, const std::string& body, std::FILE* file,
                        bool failOnHttpError) = 0;

  // Posts a multipart form with the given extra headers. Returns whatever reply body
  // arrived, empty when nothing did.
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
