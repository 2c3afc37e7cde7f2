// The stand-in's transcript: one JSON object per line for every message sent, so that a
// test can check exactly what arrived:
//   {"account":"wxid_1","items":[{"text":"你好","type":"text"},
//    {"height":48,"sha256":"…","type":"image","width":64}],"pid":1234,"seq":1}
// Adjacent text is one item. An image's hash is SHA-256 over its 32-bit ARGB pixels
// (non-premultiplied, row by row), so a picture hashes the same after any lossless
// round trip; `standin --hash-image FILE` prints the figures of a file.
#pragma once

#include <string>
#include <vector>

namespace standin {

struct TSentItem {
  std::string strType;  // "text" or "image"
  std::string strText;  // UTF-8
  int nWidth = 0;
  int nHeight = 0;
  std::string strSha256;
};

class CTranscript {
 public:
  CTranscript(std::string path, std::string account, long pid);
  // Appends one line; false when the file cannot be written.
  bool Append(const std::vector<TSentItem>& items);
  static std::string Line(const std::string& account, long pid, int seq,
                          const std::vector<TSentItem>& items);

 private:
  std::string m_strPath;
  std::string m_strAccount;
  long m_nPid;
  int m_nSeq = 0;
};

}  // namespace standin
