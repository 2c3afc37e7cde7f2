// Picture upload and download over HTTP, including the upload the workbench makes with
// libcurl (its own Content-type header) and the addresses the list hands out.
#include "RefServerHarness.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace refserver::test {
namespace {

std::string randomBytes(size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(gen() & 0xFF);
  return bytes;
}

size_t appendToString(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

class RefServerPictures : public testing::Test {
 protected:
  void SetUp() override {
    m_sToken = m_client.RegisterAndLogin(m_server.DataDir(), "13900005555", "pw-12345");
  }
  Json::Value Upload(const std::string& bytes, const std::string& fileName,
                     const std::string& token) {
    const httplib::MultipartFormDataItems items = {
        {"file", bytes, fileName, "application/octet-stream"},
        {"filename", fileName, "", ""},
    };
    const auto res =
        m_client.Http().Post(("/zoduda_vudi/upload/uploadPic.do?tokenId=" + token).c_str(), items);
    Json::Value reply;
    if (!res) return reply;
    std::istringstream in(res->body);
    std::string errors;
    Json::parseFromStream(Json::CharReaderBuilder(), in, &reply, &errors);
    return reply;
  }
  size_t StoredPictures() {
    size_t n = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(m_server.DataDir() + "/pictures")) {
      (void)entry;
      ++n;
    }
    return n;
  }

  CTestServer m_server;
  CApiClient m_client = m_server.Client();
  std::string m_sToken;
};

TEST_F(RefServerPictures, UploadAndDownloadRoundTripByteForByte) {
  const std::string bytes = randomBytes(300 * 1024, 1);
  const Json::Value reply = Upload(bytes, "照片.PNG", m_sToken);
  ASSERT_EQ(reply["resultCode"].asInt(), 1) << reply.toStyledString();
  const std::string name = reply["obj"].asString();
  EXPECT_EQ(name.find('/'), std::string::npos);
  EXPECT_EQ(name.substr(name.size() - 4), ".png");

  const auto res = m_client.Get("/zoduda_vudi/upload/pic/" + name);
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->get_header_value("Content-Type"), "image/png");
  EXPECT_TRUE(res->body == bytes);
}

TEST_F(RefServerPictures, ExactlyTwoMebibytesPassOneByteMoreDoesNot) {
  EXPECT_EQ(Upload(randomBytes(2 * 1024 * 1024, 2), "a.jpg", m_sToken)["resultCode"].asInt(), 1);
  const Json::Value refused = Upload(randomBytes(2 * 1024 * 1024 + 1, 3), "b.jpg", m_sToken);
  EXPECT_EQ(refused["resultCode"].asInt(), 5001);
  EXPECT_EQ(refused["resultMsg"].asString(), "图片大小不能超过2M");
  EXPECT_EQ(Upload(randomBytes(3 * 1024 * 1024, 4), "c.jpg", m_sToken)["resultCode"].asInt(), 5001);
  EXPECT_EQ(StoredPictures(), 1u);
}

TEST(RefServerPictureFiles, PartsLeftByAKilledServerGoAtStart) {
  std::string left;
  CTestServer server([&](TServerOptions& o) {
    std::filesystem::create_directories(o.sDataDir + "/pictures");
    left = o.sDataDir + "/pictures/0123456789abcdef0123456789abcdef.png.part";
    std::ofstream(left) << "half a picture";
  });
  EXPECT_FALSE(std::filesystem::exists(left));
}

TEST_F(RefServerPictures, BadUploadsAreRefusedAndNothingIsStored) {
  EXPECT_EQ(Upload("x", "a.png", "")["resultCode"].asInt(), 1001);
  EXPECT_EQ(Upload("x", "a.png", "00000000000000000000000000000000")["resultCode"].asInt(), 3001);
  EXPECT_EQ(Upload("", "a.png", m_sToken)["resultCode"].asInt(), 5002);

  const httplib::MultipartFormDataItems noFile = {{"filename", "a.png", "", ""}};
  auto res = m_client.Http().Post(("/zoduda_vudi/upload/uploadPic.do?tokenId=" + m_sToken).c_str(),
                                  noFile);
  ASSERT_TRUE(res);
  EXPECT_NE(res->body.find("\"resultCode\":1001"), std::string::npos) << res->body;

  // A body that claims to be multipart but is cut off in the middle of a part.
  const std::string broken =
      "--XyZ\r\nContent-Disposition: form-data; name=\"file\"; "
      "filename=\"a.png\"\r\n\r\nabc";
  res = m_client.Http().Post(("/zoduda_vudi/upload/uploadPic.do?tokenId=" + m_sToken).c_str(),
                             broken, "multipart/form-data; boundary=XyZ");
  ASSERT_TRUE(res);
  Json::Value reply;
  std::istringstream in(res->body);
  std::string errors;
  ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &reply, &errors)) << res->body;
  EXPECT_NE(reply["resultCode"].asInt(), 1);
  EXPECT_EQ(StoredPictures(), 0u);
}

TEST_F(RefServerPictures, RequestAboveTheServerLimitGetsAnEnvelope) {
  const Json::Value reply = Upload(randomBytes(17 * 1024 * 1024, 7), "big.png", m_sToken);
  EXPECT_EQ(reply["resultCode"].asInt(), 1005) << reply.toStyledString();
  EXPECT_EQ(reply["resultMsg"].asString(), "请求数据过大");
  EXPECT_EQ(StoredPictures(), 0u);
  EXPECT_EQ(Upload("ok", "small.png", m_sToken)["resultCode"].asInt(), 1);
}

TEST_F(RefServerPictures, RefusedUploadsAreAnsweredBeforeTheirBody) {
  const auto headerOnly = [&](const std::string& token, const std::string& length) {
    CRawConnection raw(m_server.Port());
    raw.Send("POST /zoduda_vudi/upload/uploadPic.do?tokenId=" + token +
             " HTTP/1.1\r\nHost: x\r\n"
             "Content-Type: multipart/form-data; boundary=XyZ\r\nContent-Length: " +
             length + "\r\n\r\n");
    // The body never comes: only a reply made from the headers can arrive.
    const auto start = std::chrono::steady_clock::now();
    const std::string reply = raw.ReadAll(std::chrono::seconds(4));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << reply;
    return reply;
  };
  EXPECT_NE(headerOnly("00000000000000000000000000000000", "1000000").find("\"resultCode\":3001"),
            std::string::npos);
  EXPECT_NE(headerOnly("", "1000000").find("\"resultCode\":1001"), std::string::npos);
  EXPECT_NE(headerOnly(m_sToken, "3000000").find("\"resultCode\":5001"), std::string::npos);
  EXPECT_NE(headerOnly(m_sToken, "100000000").find("\"resultCode\":1005"), std::string::npos);
  EXPECT_EQ(StoredPictures(), 0u);
  EXPECT_EQ(Upload("ok", "small.png", m_sToken)["resultCode"].asInt(), 1);
}

TEST_F(RefServerPictures, UnknownOrMalformedNamesAreNotFound) {
  for (const std::string name : {"0123456789abcdef0123456789abcdef.png", "..%2Frefserver.db",
                                 "refserver.db", "0123456789abcdef0123456789abcdef.p/ng"}) {
    const auto res = m_client.Get("/zoduda_vudi/upload/pic/" + name);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404) << name;
    EXPECT_NE(res->body.find("resultCode"), std::string::npos) << name;
  }
}

TEST_F(RefServerPictures, UploadWithTheWorkbenchsCurlHeadersWorks) {
  const std::string path = m_server.DataDir() + "/upload.bmp";
  const std::string bytes = randomBytes(5000, 5);
  std::ofstream(path, std::ios::binary) << bytes;

  CURL* curl = curl_easy_init();
  ASSERT_NE(curl, nullptr);
  curl_mime* mime = curl_mime_init(curl);
  curl_mimepart* part = curl_mime_addpart(mime);
  curl_mime_name(part, "file");
  curl_mime_filedata(part, path.c_str());
  part = curl_mime_addpart(mime);
  curl_mime_name(part, "filename");
  curl_mime_data(part, "upload.bmp", CURL_ZERO_TERMINATED);
  curl_slist* headers = nullptr;
  for (const char* h : {"Expect: ", "Connection:keep-alive", "Content-type:multipart/form-data",
                        "Accept-Encoding: gzip,deflate", "Accept-Language:zh-CN,zh;q=0.8"})
    headers = curl_slist_append(headers, h);
  const std::string url = "http://127.0.0.1:" + std::to_string(m_server.Port()) +
                          "/zoduda_vudi/upload/uploadPic.do?tokenId=" + m_sToken;
  std::string response;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "gzip,deflate");
  curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendToString);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response);
  EXPECT_EQ(curl_easy_perform(curl), CURLE_OK);
  curl_slist_free_all(headers);
  curl_mime_free(mime);
  curl_easy_cleanup(curl);

  Json::Value reply;
  std::istringstream in(response);
  std::string errors;
  ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &reply, &errors)) << response;
  ASSERT_EQ(reply["resultCode"].asInt(), 1) << response;
  const auto res = m_client.Get("/zoduda_vudi/upload/pic/" + reply["obj"].asString());
  ASSERT_TRUE(res);
  EXPECT_TRUE(res->body == bytes);
}

TEST_F(RefServerPictures, ListPointsPictureItemsAtTheirDownloadAddress) {
  const std::string bytes = randomBytes(1234, 6);
  const std::string name = Upload(bytes, "p.gif", m_sToken)["obj"].asString();
  const std::int64_t groupId = m_client.AddGroup(m_sToken, "g");
  Json::Value message = TextMessage("pic", "x", groupId);
  Json::Value picture;
  picture["detailType"] = 2;
  picture["msgDetail"] = name;
  picture["downLoadURL"] = "/home/operator/.config/orvo2/Images/" + name;
  picture["sort"] = 2;
  message["msgDetailList"].append(picture);
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  ASSERT_EQ(
      m_client
          .Post("quickMessage/add.do", "message=" + Encode(Json::writeString(writer, message)) +
                                           "&tokenId=" + m_sToken)["resultCode"]
          .asInt(),
      1);
  const Json::Value item = m_client.List(m_sToken)[0]["msgContentList"][0]["msgDetailList"][1];
  const std::string url = item["downLoadURL"].asString();
  const std::string prefix = "http://127.0.0.1:" + std::to_string(m_server.Port());
  ASSERT_EQ(url.rfind(prefix, 0), 0u) << url;
  const auto res = m_client.Get(url.substr(prefix.size()));
  ASSERT_TRUE(res);
  EXPECT_TRUE(res->body == bytes);
}

}  // namespace
}  // namespace refserver::test
