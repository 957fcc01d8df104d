#pragma once
// Reading a small input file whose name a user gave: only a regular file is
// read (a directory, a FIFO or a device is refused before any read, so none
// can block or feed the program without end), and never more than a bound.

#include <cstddef>
#include <filesystem>
#include <string>

namespace qx7::storage {

struct BoundedRead {
    bool ok = false;
    std::string bytes;    // when ok
    std::string problem;  // when not ok: what is wrong, e.g. "is a directory"
};

// All bytes of a regular file of at most `max_bytes`.
BoundedRead ReadSmallFile(const std::filesystem::path& path, std::size_t max_bytes);

// The first line, without its line end ("\n" or "\r\n"), of the regular
// file `path`, or of standard input when `path` is "-". A first line longer
// than `max_bytes` is refused; nothing after the line is ever needed, so at
// most `max_bytes` + 2 bytes are read.
BoundedRead ReadFirstLine(const std::filesystem::path& path, std::size_t max_bytes);

}  // namespace qx7::storage
