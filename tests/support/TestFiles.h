// Files and commands for tests that drive whole programs: a patterned bitmap to paste and
// upload, and the output of a helper command.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

namespace testing_support {

// A 24-bit Windows bitmap of width x height with a pattern (no two neighbours alike).
inline void WriteTestBitmap(const std::string& path, int width, int height) {
  const int rowBytes = (width * 3 + 3) & ~3;
  const int imageBytes = rowBytes * height;
  std::string bytes(54 + static_cast<size_t>(imageBytes), '\0');
  auto put32 = [&](size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, static_cast<std::uint32_t>(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  bytes[26] = 1;
  bytes[28] = 24;
  put32(34, static_cast<std::uint32_t>(imageBytes));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const size_t at = 54 + static_cast<size_t>(y * rowBytes + x * 3);
      bytes[at] = static_cast<char>(x * 4);
      bytes[at + 1] = static_cast<char>(y * 5);
      bytes[at + 2] = static_cast<char>((x + y) * 3);
    }
  std::ofstream(path, std::ios::binary) << bytes;
}

// What `command` printed on its standard output, without the final line breaks.
inline std::string CommandOutput(const std::string& command) {
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof(buffer), pipe)) output += buffer;
    ::pclose(pipe);
  }
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}

}  // namespace testing_support
