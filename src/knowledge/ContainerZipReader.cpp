#include "knowledge/ContainerZipReader.h"

#include "knowledge/SecureBuffer.h"
#include "platform/ContainerScratchFolder.h"

#include <algorithm>
#include <minizip/unzip.h>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kChunkSize = 64 * 1024;
constexpr unsigned long kUnixHost = 3;
// The file types of a Unix mode as archives record them (the values are the archive
// format's, whatever system reads it).
constexpr unsigned long kUnixTypeMask = 0170000;
constexpr unsigned long kUnixFolder = 0040000;
constexpr unsigned long kUnixFile = 0100000;
constexpr unsigned long kEncryptedFlag = 1;
constexpr unsigned long kStored = 0;

struct EntryPath {
    std::vector<std::string> components;
    bool isFolder{false};
};

std::optional<EntryPath> entryPath(std::string name, const unz_file_info64& info) {
    if (name.empty() || name.size() > ContainerZipReader::kMaxNameLength || name[0] == '/' ||
        name.find('\\') != std::string::npos || name.find('\0') != std::string::npos)
        return std::nullopt;
    EntryPath path;
    if (name.back() == '/') {
        path.isFolder = true;
        name.pop_back();
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t slash = std::min(name.find('/', start), name.size());
        std::string component = name.substr(start, slash - start);
        if (component.empty() || component == "." || component == "..")
            return std::nullopt;
        path.components.push_back(std::move(component));
        if (path.components.size() > ContainerZipReader::kMaxNameDepth)
            return std::nullopt;
        start = slash + 1;
    }
    // Archives made on Unix keep the file type in the upper half of the external
    // attributes; only plain files and folders may be unpacked.
    if ((info.version >> 8) == kUnixHost) {
        unsigned long type = (info.external_fa >> 16) & kUnixTypeMask;
        if (type == kUnixFolder)
            path.isFolder = true;
        else if (type != 0 && type != kUnixFile)
            return std::nullopt;
    }
    return path;
}

std::optional<std::string> entryName(unzFile archive, unz_file_info64& info) {
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return std::nullopt;
    if (info.size_filename == 0 || info.size_filename > ContainerZipReader::kMaxNameLength)
        return std::nullopt;
    std::vector<char> buffer(info.size_filename + 1, '\0');
    if (unzGetCurrentFileInfo64(archive, &info, buffer.data(), buffer.size(), nullptr, 0, nullptr,
                                0) != UNZ_OK)
        return std::nullopt;
    return std::string(buffer.data(), info.size_filename);
}

class Unpacker {
public:
    Unpacker(unzFile archive, platform::ContainerScratchFolder& destination,
             std::uint64_t sizeLimit)
        : m_archive(archive), m_destination(destination), m_sizeLimit(sizeLimit) {}

    // Set once an entry's declared size or its inflated bytes pass the limit.
    bool passedLimit() const { return m_passedLimit; }
    // What stopped the unpacking, when it was not the limit.
    const std::string& problem() const { return m_problem; }

    bool unpackAll() {
        unz_global_info64 global{};
        if (unzGetGlobalInfo64(m_archive, &global) != UNZ_OK)
            return refuse("its directory cannot be read");
        if (global.number_entry == 0)
            return true;
        if (global.number_entry > ContainerZipReader::kMaxEntries)
            return refuse("it has more than " + std::to_string(ContainerZipReader::kMaxEntries) +
                          " entries");
        int status = unzGoToFirstFile(m_archive);
        for (m_entry = 1; status == UNZ_OK; ++m_entry) {
            if (m_entry > ContainerZipReader::kMaxEntries || !unpackCurrent())
                return false;
            status = unzGoToNextFile(m_archive);
        }
        return status == UNZ_END_OF_LIST_OF_FILE || refuse("its directory is damaged");
    }

private:
    bool unpackCurrent() {
        unz_file_info64 info{};
        std::optional<std::string> name = entryName(m_archive, info);
        if (!name)
            return refuseEntry("its name cannot be read");
        std::optional<EntryPath> path = entryPath(std::move(*name), info);
        if (!path)
            return refuseEntry("its name or kind is refused");
        if (info.flag & kEncryptedFlag)
            return refuseEntry("it is encrypted");
        if (info.compression_method != kStored && info.compression_method != Z_DEFLATED)
            return refuseEntry("compression method " + std::to_string(info.compression_method));
        if (path->isFolder)
            return m_destination.makeFolders(path->components) ||
                   refuseEntry("its folder cannot be made");
        if (info.uncompressed_size > m_sizeLimit - m_total) {
            m_passedLimit = true;
            return false;
        }
        std::optional<platform::ContainerScratchFolder::OutputFile> output =
            m_destination.createFile(path->components);
        if (!output)
            return refuseEntry("its file cannot be made");
        if (unzOpenCurrentFile(m_archive) != UNZ_OK)
            return refuseEntry("its header is damaged");
        std::optional<std::uint64_t> written = copyCurrent(*output);
        // minizip checks the checksum only when the declared size was reached, so a
        // stream that ends early is caught by comparing sizes.
        bool closed = unzCloseCurrentFile(m_archive) == UNZ_OK;
        if (m_passedLimit)
            return false;
        if (!output->close())
            return refuseEntry("its file cannot be written");
        return (closed && written == info.uncompressed_size) ||
               refuseEntry("its contents are damaged (checksum or size)");
    }

    bool refuse(std::string problem) {
        m_problem = std::move(problem);
        return false;
    }

    // Names the current entry and where its local header lies.
    bool refuseEntry(const std::string& problem) {
        return refuse("entry " + std::to_string(m_entry) + ": " + problem + " (at offset " +
                      std::to_string(unzGetOffset64(m_archive)) + ")");
    }

    // Copies the open entry into `output`; answers the number of bytes written.
    std::optional<std::uint64_t> copyCurrent(platform::ContainerScratchFolder::OutputFile& output) {
        std::uint64_t written = 0;
        for (;;) {
            // Asking for at most one byte more than the limit allows means inflating
            // never runs far past it.
            std::uint64_t allowed = m_sizeLimit - m_total;
            std::size_t want =
                allowed >= kChunkSize ? kChunkSize : static_cast<std::size_t>(allowed) + 1;
            int count = unzReadCurrentFile(m_archive, m_chunk.data(), static_cast<unsigned>(want));
            if (count < 0)
                return std::nullopt;
            if (count == 0)
                return written;
            if (static_cast<std::uint64_t>(count) > allowed) {
                m_passedLimit = true;
                return std::nullopt;
            }
            m_total += static_cast<std::uint64_t>(count);
            written += static_cast<std::uint64_t>(count);
            if (!output.write(m_chunk.bytes().first(static_cast<std::size_t>(count))))
                return std::nullopt;
        }
    }

    unzFile m_archive;
    platform::ContainerScratchFolder& m_destination;
    std::uint64_t m_sizeLimit{0};
    std::uint64_t m_total{0};
    bool m_passedLimit{false};
    std::size_t m_entry{0};
    std::string m_problem;
    SecureBuffer m_chunk{kChunkSize};
};

std::uint32_t littleEndian(std::span<const std::uint8_t> bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = bytes.size(); i > 0; --i)
        value = value << 8 | bytes[i - 1];
    return value;
}

} // namespace

bool ContainerZipReader::endRecordIsComplete(std::span<const std::uint8_t> zip) {
    constexpr std::size_t kRecordSize = 22;
    constexpr std::uint32_t kSignature = 0x06054b50;
    constexpr std::uint32_t kUnknown32 = 0xFFFFFFFF;
    if (zip.size() < kRecordSize)
        return false;
    // The record may be followed by a comment of up to 65535 bytes; the right record
    // is the one whose comment reaches exactly to the end.
    std::size_t lowest = zip.size() - kRecordSize > 0xFFFF ? zip.size() - kRecordSize - 0xFFFF : 0;
    for (std::size_t at = zip.size() - kRecordSize + 1; at-- > lowest;) {
        std::span<const std::uint8_t> record = zip.subspan(at, kRecordSize);
        if (littleEndian(record.first(4)) != kSignature ||
            at + kRecordSize + littleEndian(record.subspan(20, 2)) != zip.size())
            continue;
        std::uint64_t directorySize = littleEndian(record.subspan(12, 4));
        std::uint64_t directoryOffset = littleEndian(record.subspan(16, 4));
        // Zip64 archives keep the real values in a record of their own.
        if (directorySize == kUnknown32 || directoryOffset == kUnknown32)
            return true;
        return directoryOffset + directorySize <= at;
    }
    return false;
}

ContainerZipReader::Result
ContainerZipReader::unzipFileAtPath(const std::string& archivePath,
                                    platform::ContainerScratchFolder& destination,
                                    std::uint64_t sizeLimit, std::string* why) {
    unzFile archive = unzOpen64(archivePath.c_str());
    if (!archive) {
        if (why)
            *why = "it is not a zip archive";
        return Result::damaged;
    }
    Unpacker unpacker(archive, destination, sizeLimit);
    Result result = unpacker.unpackAll()     ? Result::unpacked
                    : unpacker.passedLimit() ? Result::tooLarge
                                             : Result::damaged;
    if (result == Result::damaged && why)
        *why = unpacker.problem();
    unzClose(archive);
    return result;
}
