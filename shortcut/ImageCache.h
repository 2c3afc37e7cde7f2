// The picture cache of quick replies: "Images/" in the per-user data folder. A cached file is
// named after the server's picture name with every "/" removed ("2024/05/a.png" → "202405a.png");
// a picture is fetched (or copied from a local file) once and then served from the cache.
//
// A name is a file name only when it is safe: after the "/" removal it must not be empty,
// "." or "..", and must hold no "\" and no control byte. An unsafe name caches nothing and
// gives an empty path, so nothing is ever read or written outside the folder.
#pragma once

#include <cstdint>
#include <string>

class CImageCache {
 public:
  // Largest picture a reply may carry: 2 MiB; one byte more is refused.
  static constexpr std::uintmax_t kMaxPictureBytes = 2097152;

  // The cache folder (".../orvo2/Images/"), created when missing; empty when it cannot be had.
  static std::string Folder();
  // The cache file name for a server name, or empty when the name is not safe.
  static std::string SafeName(const std::string& name);

  // The full path of the cached picture `name`. When the cache lacks it: `download` set, the
  // picture is fetched from the address `source`; otherwise the local file `source` is copied
  // (never over an existing file). The path comes back whether or not that worked; callers
  // check with IsCached. Empty for an unsafe name or when the folder cannot be had.
  static std::string GetCachedImage(const std::string& name, const std::string& source,
                                    bool download);

  // True when `path` is a non-empty regular file.
  static bool IsCached(const std::string& path);
  // True when the file exists and holds at most kMaxPictureBytes bytes.
  static bool IsPictureSizeAllowed(const std::string& path);
};
