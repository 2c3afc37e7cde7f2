// The request handling run in process from memory, as the fuzz target runs it: requests kept
// alive on one connection, and a refused body that must not be read as the next request.
#include "RefServerHarness.h"
#include "refserver/MemoryStream.h"

#include <gtest/gtest.h>

#include <string>

namespace refserver::test {
namespace {

std::string formPost(const std::string& path, const std::string& body, const std::string& length) {
  return "POST /zoduda_vudi/" + path +
         " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
         length + "\r\n\r\n" + body;
}

std::string formPost(const std::string& path, const std::string& body) {
  return formPost(path, body, std::to_string(body.size()));
}

int countOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(RefServerServeStream, AnswersEveryRequestKeptAliveOnTheConnection) {
  testing_support::TempDir folder("refserver-test");
  CRefServer server(TestOptions(folder.path()));
  CMemoryStream stream(formPost("common/version.do", "version=1.0") +
                       "GET /zoduda_vudi/nothing HTTP/1.1\r\nHost: a\r\n\r\n" +
                       formPost("account/login.do", "phone=1&password=2"));
  server.ServeStream(stream);
  EXPECT_EQ(countOf(stream.Output(), "HTTP/1.1 "), 3) << stream.Output();
  EXPECT_EQ(countOf(stream.Output(), "HTTP/1.1 404"), 1) << stream.Output();
  EXPECT_EQ(countOf(stream.Output(), "\"resultCode\""), 3) << stream.Output();
}

TEST(RefServerServeStream, ARefusedBodyEndsTheConnection) {
  testing_support::TempDir folder("refserver-test");
  CRefServer server(TestOptions(folder.path()));
  // The body announced is over the limit: it is refused unread, and the bytes after the
  // header (here a whole second request) must not be served as another request.
  CMemoryStream stream(formPost("account/login.do", "", std::to_string(kMaxFormBytes + 1)) +
                       formPost("common/version.do", "version=1.0"));
  server.ServeStream(stream);
  EXPECT_EQ(countOf(stream.Output(), "HTTP/1.1 "), 1) << stream.Output();
  EXPECT_EQ(countOf(stream.Output(), "HTTP/1.1 413"), 1) << stream.Output();
}

}  // namespace
}  // namespace refserver::test
