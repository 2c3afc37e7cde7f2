// What an anonymous client can try against accounts: guessing SMS codes, asking for codes
// without end, finding out which phones are registered, and flooding the password hash.
#include "RefServerHarness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace refserver::test {
namespace {

constexpr const char* kPhone = "13900003333";

int codeOf(const Json::Value& reply) {
  return reply["resultCode"].asInt();
}

size_t codeLines(const std::string& dataDir, const std::string& phone) {
  std::ifstream in(dataDir + "/sms-codes.txt");
  size_t n = 0;
  for (std::string line; std::getline(in, line);) n += line.rfind(phone + " ", 0) == 0;
  return n;
}

std::string registerBody(const std::string& phone, const std::string& sms) {
  return "phone=" + phone + "&password=pw-12345&company=c&contactName=n&sms=" + sms;
}

std::string wrongCodeFor(const std::string& code) {
  return code == "000000" ? "111111" : "000000";
}

TEST(RefServerSmsLimits, OneCodePerIntervalAndAFewADayPerPhone) {
  CTestServer server([](TServerOptions& o) {
    o.nSmsInterval = 3600;
    o.nSmsPerDay = 3;
  });
  CApiClient client = server.Client();
  EXPECT_EQ(codeOf(client.Post("account/register/code.do", std::string("phone=") + kPhone)), 1);
  const Json::Value again = client.Post("account/register/code.do", std::string("phone=") + kPhone);
  EXPECT_EQ(codeOf(again), 2006);
  EXPECT_EQ(again["resultMsg"].asString(), "操作过于频繁，请稍后再试");
  // The other purpose shares the phone's allowance.
  EXPECT_EQ(codeOf(client.Post("account/findpasswd/code.do", std::string("phone=") + kPhone)),
            2006);
  EXPECT_EQ(codeLines(server.DataDir(), kPhone), 1u);
  EXPECT_EQ(codeOf(client.Post("account/register/code.do", "phone=13900003334")), 1);
}

TEST(RefServerSmsLimits, DailyAllowancePerPhone) {
  CTestServer server([](TServerOptions& o) { o.nSmsPerDay = 3; });
  CApiClient client = server.Client();
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(codeOf(client.Post("account/register/code.do", std::string("phone=") + kPhone)), 1);
  EXPECT_EQ(codeOf(client.Post("account/register/code.do", std::string("phone=") + kPhone)), 2006);
}

TEST(RefServerSmsLimits, CodeRequestsPerClientAddress) {
  CTestServer server([](TServerOptions& o) { o.nSmsPerAddressHour = 3; });
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(codeOf(PostFrom(server.Port(), "127.0.0.2", "account/register/code.do",
                              "phone=1390000400" + std::to_string(i))),
              1);
  EXPECT_EQ(
      codeOf(PostFrom(server.Port(), "127.0.0.2", "account/register/code.do", "phone=13900004009")),
      2006);
  EXPECT_EQ(
      codeOf(PostFrom(server.Port(), "127.0.0.3", "account/register/code.do", "phone=13900004009")),
      1);
}

TEST(RefServerSmsLimits, NewCodeBringsNoNewGuesses) {
  CTestServer server;
  CApiClient client = server.Client();
  ASSERT_EQ(codeOf(client.Post("account/register/code.do", std::string("phone=") + kPhone)), 1);
  const std::string first = client.ReadSmsCode(server.DataDir(), kPhone);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(codeOf(client.Post("account/register.do", registerBody(kPhone, wrongCodeFor(first)))),
              2004);
  ASSERT_EQ(codeOf(client.Post("account/register/code.do", std::string("phone=") + kPhone)), 1);
  const std::string second = client.ReadSmsCode(server.DataDir(), kPhone);
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(
        codeOf(client.Post("account/register.do", registerBody(kPhone, wrongCodeFor(second)))),
        2004);
  // Five wrong guesses in all: even the right code of the new request is refused now.
  EXPECT_EQ(codeOf(client.Post("account/register.do", registerBody(kPhone, second))), 2004);
  EXPECT_NE(codeOf(client.Post("account/login.do",
                               std::string("phone=") + kPhone + "&password=pw-12345")),
            1);
}

TEST(RefServerSmsLimits, WrongGuessesWithoutASentCodeDoNotLockTheOwner) {
  CTestServer server;
  CApiClient client = server.Client();
  client.RegisterAndLogin(server.DataDir(), kPhone, "pw-12345");
  // Someone else guesses at resets of the owner's phone while no reset code exists.
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(codeOf(PostFrom(server.Port(), "127.0.0.9", "account/findpasswd/reset.do",
                              std::string("phone=") + kPhone + "&password=other-pass&sms=00000" +
                                  std::to_string(i))),
              2004);
  ASSERT_EQ(codeOf(client.Post("account/findpasswd/code.do", std::string("phone=") + kPhone)), 1);
  const std::string code = client.ReadSmsCode(server.DataDir(), kPhone);
  EXPECT_EQ(
      codeOf(client.Post("account/findpasswd/reset.do",
                         std::string("phone=") + kPhone + "&password=new-pass-1&sms=" + code)),
      1);
  client.Login(kPhone, "new-pass-1");
}

TEST(RefServerSmsLimits, WrongGuessesExpireWithTheirCode) {
  CTestServer server([](TServerOptions& o) { o.nSmsTtl = 60; });
  CApiClient client = server.Client();
  ASSERT_EQ(codeOf(client.Post("account/register/code.do", std::string("phone=") + kPhone)), 1);
  const std::string first = client.ReadSmsCode(server.DataDir(), kPhone);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(codeOf(client.Post("account/register.do", registerBody(kPhone, wrongCodeFor(first)))),
              2004);
  EXPECT_EQ(codeOf(client.Post("account/register.do", registerBody(kPhone, first))), 2004);
  // Once the voided code has expired, a new one is good for its own guesses.
  server.Clock().Advance(std::chrono::seconds(61));
  ASSERT_EQ(codeOf(client.Post("account/register/code.do", std::string("phone=") + kPhone)), 1);
  const std::string second = client.ReadSmsCode(server.DataDir(), kPhone);
  EXPECT_EQ(codeOf(client.Post("account/register.do", registerBody(kPhone, second))), 1);
}

TEST(RefServerPasswordGuessing, ManyAddressesWaitButTheOwnersAddressSignsIn) {
  CTestServer server;
  CApiClient client = server.Client();
  client.RegisterAndLogin(server.DataDir(), kPhone, "pw-12345");
  const std::string login = std::string("phone=") + kPhone + "&password=";
  // One guess from each of many addresses: the per-address limits never apply.
  std::vector<int> codes;
  for (int i = 0; i < 8; ++i)
    codes.push_back(codeOf(PostFrom(server.Port(), "127.0.1." + std::to_string(i + 1),
                                    "account/login.do", login + "guess-" + std::to_string(i))));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(codes[i], 2001) << i;
  for (int i = 5; i < 8; ++i) EXPECT_EQ(codes[i], 2006) << i;
  const std::uint64_t hashes = server.Server().PasswordHashes();
  // While the phone waits, even the right password from a new address is turned away
  // without a hash, and an unknown phone is answered the same way once it has been guessed at.
  EXPECT_EQ(codeOf(PostFrom(server.Port(), "127.0.2.1", "account/login.do", login + "pw-12345")),
            2006);
  EXPECT_EQ(server.Server().PasswordHashes(), hashes);
  // The owner's address, which signed in before, still gets in.
  EXPECT_EQ(codeOf(client.Post("account/login.do", login + "pw-12345")), 1);
  // The wait doubles with each further guess and ends.
  server.Clock().Advance(std::chrono::seconds(20));
  EXPECT_EQ(codeOf(PostFrom(server.Port(), "127.0.2.1", "account/login.do", login + "pw-12345")),
            1);
}

TEST(RefServerPasswordGuessing, UnknownPhonesWaitLikeKnownOnes) {
  CTestServer server;
  const std::string login = "phone=13900003998&password=";
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(codeOf(PostFrom(server.Port(), "127.0.1." + std::to_string(i + 1), "account/login.do",
                              login + "guess")),
              2001);
  EXPECT_EQ(codeOf(PostFrom(server.Port(), "127.0.1.9", "account/login.do", login + "guess")),
            2006);
}

TEST(RefServerHashFlood, AFloodFromManyAddressesIsToldBusyInsteadOfQueueingWithoutEnd) {
  // Real hashing costs: a flood of logins, each from an address and to a phone of its own.
  CTestServer server([](TServerOptions& o) { o.bFastHash = false; });
  std::vector<int> codes(40);
  std::vector<std::thread> flood;
  for (size_t i = 0; i < codes.size(); ++i)
    flood.emplace_back([&, i] {
      codes[i] =
          codeOf(PostFrom(server.Port(), "127.0.3." + std::to_string(i + 1), "account/login.do",
                          "phone=1390000" + std::to_string(5000 + i) + "&password=guess"));
    });
  for (auto& t : flood) t.join();
  size_t busy = 0;
  for (const int code : codes) {
    EXPECT_TRUE(code == 2001 || code == 1006) << code;
    busy += code == 1006;
  }
  EXPECT_GT(busy, 0u);
  EXPECT_GE(codes.size() - busy, 10u);
}

TEST(RefServerHashFlood, AFloodHoldsNoWorker) {
  // Two workers only: a login waiting for its hash on one would leave the list no room.
  CTestServer server([](TServerOptions& o) {
    o.bFastHash = false;
    o.nWorkers = 2;
  });
  CApiClient client = server.Client();
  const std::string token = client.RegisterAndLogin(server.DataDir(), kPhone, "pw-12345");
  std::atomic<int> answered = 0;
  std::vector<std::thread> flood;
  for (int i = 0; i < 40; ++i)
    flood.emplace_back([&, i] {
      PostFrom(server.Port(), "127.0.5." + std::to_string(i + 1), "account/login.do",
               "phone=1390000" + std::to_string(6000 + i) + "&password=guess-pass");
      ++answered;
    });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (answered == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  const Json::Value list = client.Post("quickMessage/list.do", "tokenId=" + token);
  const int answeredAtList = answered;
  for (auto& t : flood) t.join();
  EXPECT_EQ(codeOf(list), 1);
  // Served while logins still waited for their hash, not after them.
  EXPECT_LT(answeredAtList, 40);
}

TEST(RefServerEnumeration, CodeAndResetRepliesAreTheSameForKnownAndUnknownPhones) {
  CTestServer server;
  CApiClient client = server.Client();
  client.RegisterAndLogin(server.DataDir(), kPhone, "pw-12345");
  const size_t knownLines = codeLines(server.DataDir(), kPhone);
  const std::string unknown = "13900003999";

  const Json::Value codeForKnown =
      client.Post("account/register/code.do", std::string("phone=") + kPhone);
  const Json::Value codeForUnknown = client.Post("account/findpasswd/code.do", "phone=" + unknown);
  EXPECT_EQ(codeOf(codeForKnown), 1);
  EXPECT_EQ(codeOf(codeForUnknown), 1);
  EXPECT_EQ(codeForKnown["resultMsg"], codeForUnknown["resultMsg"]);
  // No code was made for either: nobody could use one.
  EXPECT_EQ(codeLines(server.DataDir(), kPhone), knownLines);
  EXPECT_EQ(codeLines(server.DataDir(), unknown), 0u);

  const Json::Value resetKnown =
      client.Post("account/findpasswd/reset.do",
                  std::string("phone=") + kPhone + "&password=x-long-pass&sms=123456");
  const Json::Value resetUnknown = client.Post(
      "account/findpasswd/reset.do", "phone=" + unknown + "&password=x-long-pass&sms=123456");
  EXPECT_EQ(codeOf(resetKnown), 2004);
  EXPECT_EQ(resetKnown, resetUnknown);
}

TEST(RefServerEnumeration, CodesForKnownAndUnknownPhonesCostTheSameWork) {
  CTestServer server;
  CApiClient client = server.Client();
  client.RegisterAndLogin(server.DataDir(), kPhone, "pw-12345");
  const std::string unknown = "13900003999";
  const auto fileBytes = [&] {
    std::uintmax_t bytes = 0;
    // Not the log: its lines carry the time each request took.
    for (const char* name : {"/sms-codes.txt", "/sms-unsent.txt"}) {
      std::error_code ec;
      const auto size = std::filesystem::file_size(server.DataDir() + name, ec);
      if (!ec) bytes += size;
    }
    return bytes;
  };
  struct TWork {
    std::uint64_t nStatements;
    std::int64_t nChanges;
    std::uintmax_t nFileBytes;
  };
  const auto workOf = [&](const std::string& path, const std::string& phone) {
    const CDatabase& db = server.Server().Database();
    const TWork before{db.StatementsRun(), db.TotalChanges(), fileBytes()};
    EXPECT_EQ(codeOf(client.Post(path, "phone=" + phone)), 1);
    return TWork{db.StatementsRun() - before.nStatements, db.TotalChanges() - before.nChanges,
                 fileBytes() - before.nFileBytes};
  };
  // Registration: a code for the unknown phone, none for the registered one; reset the
  // other way round. Each pair does the same statements, changes and writes.
  const TWork made = workOf("account/register/code.do", unknown);
  const TWork notMade = workOf("account/register/code.do", kPhone);
  EXPECT_EQ(made.nStatements, notMade.nStatements);
  EXPECT_EQ(made.nChanges, notMade.nChanges);
  EXPECT_EQ(made.nFileBytes, notMade.nFileBytes);
  // That void code is cleared by whichever request comes next: let one that is not measured.
  workOf("account/register/code.do", "13900003777");
  const TWork reset = workOf("account/findpasswd/code.do", kPhone);
  const TWork noReset = workOf("account/findpasswd/code.do", "13900003888");
  EXPECT_EQ(reset.nStatements, noReset.nStatements);
  EXPECT_EQ(reset.nChanges, noReset.nChanges);
  EXPECT_EQ(reset.nFileBytes, noReset.nFileBytes);
  // Still nothing usable for the phones that got no code.
  EXPECT_EQ(codeLines(server.DataDir(), "13900003888"), 0u);
}

TEST(RefServerEnumeration, LoginForAnUnknownPhoneHashesLikeAWrongPassword) {
  CTestServer server;
  CApiClient client = server.Client();
  client.RegisterAndLogin(server.DataDir(), kPhone, "pw-12345");
  const std::uint64_t before = server.Server().PasswordHashes();
  EXPECT_EQ(codeOf(client.Post("account/login.do", std::string("phone=") + kPhone + "&password=x")),
            2001);
  const std::uint64_t afterKnown = server.Server().PasswordHashes();
  EXPECT_EQ(codeOf(client.Post("account/login.do", "phone=13900003999&password=x")), 2001);
  const std::uint64_t afterUnknown = server.Server().PasswordHashes();
  EXPECT_EQ(afterKnown - before, 1u);
  EXPECT_EQ(afterUnknown - afterKnown, 1u);
}

TEST(RefServerHashFlood, RequestsThatFailCheapChecksNeverHash) {
  CTestServer server;
  CApiClient client = server.Client();
  ASSERT_EQ(codeOf(client.Post("account/register/code.do", std::string("phone=") + kPhone)), 1);
  const std::string code = client.ReadSmsCode(server.DataDir(), kPhone);
  const std::uint64_t before = server.Server().PasswordHashes();
  EXPECT_EQ(codeOf(client.Post("account/register.do", registerBody(kPhone, wrongCodeFor(code)))),
            2004);
  EXPECT_EQ(
      codeOf(client.Post("account/findpasswd/reset.do",
                         std::string("phone=") + kPhone + "&password=x-long-pass&sms=" + code)),
      2004);
  EXPECT_EQ(codeOf(client.Post("account/register.do", registerBody("12ab", code))), 1003);
  EXPECT_EQ(server.Server().PasswordHashes(), before);
  EXPECT_EQ(codeOf(client.Post("account/register.do", registerBody(kPhone, code))), 1);
  EXPECT_EQ(server.Server().PasswordHashes(), before + 1);
}

TEST(RefServerHashFlood, OneClientCannotTakeEveryHashingSlot) {
  // Real hashing costs: a flood of logins from one address while another signs in.
  CTestServer server([](TServerOptions& o) { o.bFastHash = false; });
  CApiClient client = server.Client();
  client.RegisterAndLogin(server.DataDir(), kPhone, "pw-12345");
  std::vector<int> floodCodes(12);
  std::vector<std::thread> flood;
  for (size_t i = 0; i < floodCodes.size(); ++i)
    flood.emplace_back([&, i] {
      floodCodes[i] = codeOf(PostFrom(server.Port(), "127.0.0.2", "account/login.do",
                                      std::string("phone=") + kPhone + "&password=guess"));
    });
  const Json::Value login =
      client.Post("account/login.do", std::string("phone=") + kPhone + "&password=pw-12345");
  for (auto& t : flood) t.join();
  EXPECT_EQ(codeOf(login), 1) << login.toStyledString();
  size_t refused = 0;
  for (const int code : floodCodes) {
    EXPECT_TRUE(code == 2001 || code == 2006) << code;
    refused += code == 2006;
  }
  EXPECT_GT(refused, 0u);
}

}  // namespace
}  // namespace refserver::test
