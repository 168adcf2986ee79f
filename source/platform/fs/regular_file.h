// Opening the files the game reads without trusting what the name points at:
// only regular files are opened (a FIFO or a device named as a data file
// would block, or never end), and a file larger than its reader accepts is
// refused before a byte of it is read. Paths are resolved the way
// ResolveCaseInsensitivePath does.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace fs {
// The file open for reading ("rb"), or null with *reason (if given) saying
// why: the system's error text, "not a regular file (a FIFO)", "larger than
// 8 MiB", ... Opening never waits, not even for a FIFO without a writer.
std::FILE* OpenRegularFile(const char* path, std::uint64_t maxBytes, std::string* reason);

// The whole file under the same rules; a file that grows past maxBytes while
// it is read is refused too. An empty file is read as no bytes.
bool ReadRegularFile(const char* path, std::uint64_t maxBytes, std::vector<std::uint8_t>* bytes, std::string* reason);

// "8 MiB", "512 KiB", "100 bytes": sizes as the reasons above write them.
std::string SizeText(std::uint64_t bytes);
}  // namespace fs
