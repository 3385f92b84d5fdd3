#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace platform {
class ContainerScratchFolder;
}

// Unpacks a zip archive into a scratch folder, on minizip's unzip interface. Every
// entry is checked before anything of it is written: its name must stay inside the
// folder (no absolute names, no "." or ".." parts, no backslashes, at most
// kMaxNameDepth levels), it must be a plain file or folder (symbolic links and other
// special files are refused), not encrypted, and stored or deflated. The archive may
// hold at most kMaxEntries entries, and all entries together may not unpack to more
// than the given size limit: the declared sizes are checked first, and inflating
// stops as soon as the bytes actually produced pass the limit.
class ContainerZipReader {
public:
    static constexpr std::size_t kMaxEntries = 256;
    static constexpr std::size_t kMaxNameDepth = 32;
    static constexpr std::size_t kMaxNameLength = 1024;

    // Whether `zip` ends with a complete end record whose central directory lies
    // before it. minizip takes bytes missing at the end of a file for zeros, so an
    // archive cut short must be caught before it is handed over.
    static bool endRecordIsComplete(std::span<const std::uint8_t> zip);

    enum class Result { unpacked, damaged, tooLarge };
    // Damaged if the archive cannot be read or any entry is refused or damaged, too large
    // once the limit is passed; what was written before that is left to the folder's owner.
    // When it is damaged, `why` (if given) receives the entry and the offset of its local
    // header where the fault lies.
    static Result unzipFileAtPath(const std::string& archivePath,
                                  platform::ContainerScratchFolder& destination,
                                  std::uint64_t sizeLimit, std::string* why = nullptr);
};
