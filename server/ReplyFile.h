// A reply file written beside its final name and moved into place in one step.
//
// The transfer writes into a private temporary file in the target's folder; Commit renames
// it over the target. Two threads running the same operation therefore never write into
// one file, a reader of the target always sees a whole reply, and a failed download leaves
// no partial file behind (Discard, or the destructor, removes the temporary file).
//
// Create refuses a target that could not be replaced afterwards (a folder, a read-only
// file), so that a caller finds out before it sends a request whose reply it could not
// keep. Reply files may hold the login token: they are the user's alone (0600).
#pragma once

#include <cstdio>
#include <string>

class CReplyFile {
 public:
  CReplyFile() = default;
  CReplyFile(const CReplyFile&) = delete;
  CReplyFile& operator=(const CReplyFile&) = delete;
  ~CReplyFile();

  // Creates the temporary file for `target`, opened with fopen-style `mode` ("wb", "wb+").
  // False (errno set) when it cannot be created, or when `target` exists and is a folder
  // (EISDIR) or read-only (EACCES): its reply could not be moved into place.
  bool Create(const std::string& target, const char* mode);
  std::FILE* Stream() const { return m_pStream; }
  // Closes the stream; false when buffered data could not be written.
  bool Close();
  // Reads back what was written (after Close).
  bool ReadAll(std::string& content) const;
  // Moves the file into place; false (errno set) when the rename fails.
  bool Commit();
  void Discard();

  const std::string& Target() const { return m_strTarget; }

  // Removes the temporary files a crashed run left in `folder` (ours only, known by their
  // name: "<target>.part-<pid>-<n>"; folders and other files stay). Call it at start, before
  // this process transfers anything. Returns how many were removed.
  static int RemoveStale(const std::string& folder);

 private:
  std::string m_strTarget;
  std::string m_strTempPath;
  std::FILE* m_pStream = nullptr;
};
