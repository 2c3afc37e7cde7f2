// Scratch files of the fuzz targets: most write each input to a file and read it back the way
// the program reads its files, thousands of times a second.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A new folder of this process, in memory (/dev/shm) where there is a tmpfs, else in /tmp;
// it is removed with everything in it when the process exits. Aborts when none can be made.
std::string MakeFuzzScratchFolder(const std::string& name);

// Replaces the file's content with the input's bytes.
void WriteFuzzInput(const std::string& path, const std::uint8_t* data, std::size_t size);
