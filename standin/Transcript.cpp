#include "standin/Transcript.h"

#include <json/json.h>

#include <fcntl.h>
#include <unistd.h>

namespace standin {

CTranscript::CTranscript(std::string path, std::string account, long pid)
    : m_strPath(std::move(path)), m_strAccount(std::move(account)), m_nPid(pid) {}

std::string CTranscript::Line(const std::string& account, long pid, int seq,
                              const std::vector<TSentItem>& items) {
  Json::Value root(Json::objectValue);
  root["account"] = account;
  root["pid"] = static_cast<Json::Int64>(pid);
  root["seq"] = seq;
  Json::Value list(Json::arrayValue);
  for (const TSentItem& item : items) {
    Json::Value entry(Json::objectValue);
    entry["type"] = item.strType;
    if (item.strType == "text") {
      entry["text"] = item.strText;
    } else {
      entry["width"] = item.nWidth;
      entry["height"] = item.nHeight;
      entry["sha256"] = item.strSha256;
    }
    list.append(entry);
  }
  root["items"] = list;
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["emitUTF8"] = true;
  return Json::writeString(builder, root);
}

bool CTranscript::Append(const std::vector<TSentItem>& items) {
  if (m_strPath.empty()) return true;
  const std::string line = Line(m_strAccount, m_nPid, ++m_nSeq, items) + "\n";
  // One write of a whole line with O_APPEND: lines of several copies never interleave.
  const int fd = open(m_strPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  close(fd);
  return ok;
}

}  // namespace standin
