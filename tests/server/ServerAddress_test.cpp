#include "server/ServerAddress.h"

#include <gtest/gtest.h>

namespace {

struct TAddressCase {
  const char* url;
  const char* normalised;  // null: refused
};

TEST(ServerAddressTest, OnlyAbsoluteWebAddressesAreSentTo) {
  const TAddressCase cases[] = {
      {"http://127.0.0.1:8080/zoduda_vudi/account/login.do",
       "http://127.0.0.1:8080/zoduda_vudi/account/login.do"},
      {"HTTPS://Example.com/a", "https://Example.com/a"},
      {"http://h/pics/my photo.png?x=a b", "http://h/pics/my%20photo.png?x=a+b"},
      {"http://h/already%20encoded.png", "http://h/already%20encoded.png"},
      {"http://h/图.png", "http://h/%e5%9b%be.png"},
      {"zoduda_vudi/account/login.do", nullptr},
      {"", nullptr},
      {"127.0.0.1:8080/zoduda_vudi/x.do", nullptr},
      {"ftp://h/x", nullptr},
      {"file:///etc/passwd", nullptr},
      {"http:///x", nullptr},
      {"http://h:99999/x", nullptr},
      {"http://[::1/x", nullptr},
      {" http://h/x", nullptr},
  };
  for (const TAddressCase& c : cases) {
    std::string normalised = "stale", problem;
    const bool allowed = CheckServerAddress(c.url, normalised, problem);
    EXPECT_EQ(allowed, c.normalised != nullptr) << c.url;
    EXPECT_EQ(normalised, c.normalised ? c.normalised : "") << c.url;
    EXPECT_EQ(problem.empty(), allowed) << c.url << ": " << problem;
  }
}

TEST(ServerAddressTest, SecretsAreMasked) {
  const std::pair<const char*, const char*> cases[] = {
      {"http://h/up.do?tokenId=abc", "http://h/up.do?tokenId=***"},
      {"phone=1&password=p%26w&sms=2", "phone=1&password=***&sms=2"},
      {"tokenId=a&x=1&logintoken=b#f", "tokenId=***&x=1&logintoken=***#f"},
      {"mytokenId=kept&newpassword=kept", "mytokenId=kept&newpassword=kept"},
      {"tokenId=", "tokenId=***"},
      {"no secrets", "no secrets"},
  };
  for (const auto& [text, masked] : cases) EXPECT_EQ(MaskSecrets(text), masked) << text;
}

}  // namespace
