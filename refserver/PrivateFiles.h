// The data folder holds login tokens, password hashes and SMS codes: only the server's own
// user may read it. These create what is missing with owner-only modes and mend the modes
// of what an older run left readable by everyone. Throw std::runtime_error on failure.
//
// Plain functions on paths; safe from any thread.
#pragma once

#include <string>

namespace refserver {

// Creates the folder (and its parents, with the default mode) and makes it 0700.
void MakePrivateFolder(const std::string& path);
// Creates the file if missing (empty) and makes it 0600.
void MakePrivateFile(const std::string& path);
// Makes an existing file 0600; a missing one is left missing.
void MendPrivateFile(const std::string& path);

}  // namespace refserver
