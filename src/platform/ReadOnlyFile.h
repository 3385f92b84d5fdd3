#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// A regular file opened for reading, never through a final symbolic link and without
// waiting on a FIFO or device: what reading an untrusted file needs. Closed when
// destroyed.
class ReadOnlyFile {
public:
    // None when nothing is there, it is a link, not a regular file, or cannot be read.
    static std::unique_ptr<ReadOnlyFile> open(const std::string& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    std::uint64_t size() const { return m_size; }
    // Up to `size` bytes from `offset`; fewer at the end of the file or on an error.
    std::string readAt(std::uint64_t offset, std::size_t size) const;
    // The open descriptor, for a library that reads the file itself; it stays this
    // object's.
    int descriptor() const { return m_descriptor; }

private:
    ReadOnlyFile(int descriptor, std::uint64_t size) : m_descriptor(descriptor), m_size(size) {}

    int m_descriptor;
    std::uint64_t m_size;
};

} // namespace platform
