#pragma once
// SHA-256 of a file, so that a run record names exactly which model files a
// session ran with.

#include <string>

// Lower-case hex digest of the file's bytes; empty when it cannot be read.
std::string FileSha256(const std::string& path);
// Lower-case hex digest of `size` bytes.
std::string Sha256Hex(const void* data, size_t size);
