#include "knowledge/ContainerZipWriter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <minizip/zip.h>

namespace {

// The archive being written: minizip writes, seeks back to complete each local
// header, and writes on.
struct MemoryFile {
    SecureBuffer bytes;
    std::uint64_t position{0};
    bool failed{false};
};

MemoryFile& fileOf(voidpf opaque) {
    return *static_cast<MemoryFile*>(opaque);
}

voidpf openFile(voidpf opaque, const void*, int) {
    return opaque;
}

uLong readFile(voidpf opaque, voidpf, void* buffer, uLong size) {
    MemoryFile& file = fileOf(opaque);
    if (file.position >= file.bytes.size())
        return 0;
    uLong count =
        static_cast<uLong>(std::min<std::uint64_t>(size, file.bytes.size() - file.position));
    std::memcpy(buffer, file.bytes.data() + file.position, count);
    file.position += count;
    return count;
}

uLong writeFile(voidpf opaque, voidpf, const void* buffer, uLong size) {
    MemoryFile& file = fileOf(opaque);
    try {
        if (file.position + size > file.bytes.size())
            file.bytes.resize(static_cast<std::size_t>(file.position + size));
    } catch (const std::exception&) {
        file.failed = true;
        return 0;
    }
    std::memcpy(file.bytes.data() + file.position, buffer, size);
    file.position += size;
    return size;
}

ZPOS64_T tellFile(voidpf opaque, voidpf) {
    return fileOf(opaque).position;
}

long seekFile(voidpf opaque, voidpf, ZPOS64_T offset, int origin) {
    MemoryFile& file = fileOf(opaque);
    std::uint64_t base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = file.position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = file.bytes.size();
    else if (origin != ZLIB_FILEFUNC_SEEK_SET)
        return -1;
    if (offset > file.bytes.size() || base + offset > file.bytes.size())
        return -1;
    file.position = base + offset;
    return 0;
}

int closeFile(voidpf, voidpf) {
    return 0;
}

int fileError(voidpf opaque, voidpf) {
    return fileOf(opaque).failed ? 1 : 0;
}

} // namespace

std::optional<SecureBuffer>
ContainerZipWriter::archiveEntry(const std::string& name, std::span<const std::uint8_t> contents) {
    MemoryFile file;
    zlib_filefunc64_def functions{};
    functions.zopen64_file = openFile;
    functions.zread_file = readFile;
    functions.zwrite_file = writeFile;
    functions.ztell64_file = tellFile;
    functions.zseek64_file = seekFile;
    functions.zclose_file = closeFile;
    functions.zerror_file = fileError;
    functions.opaque = &file;

    zipFile archive = zipOpen2_64(&file, APPEND_STATUS_CREATE, nullptr, &functions);
    if (!archive)
        return std::nullopt;
    zip_fileinfo info{};
    info.tmz_date.tm_year = 1980;
    info.tmz_date.tm_mday = 1;
    bool large = contents.size() >= 0xFFFFFFFFu;
    bool written =
        zipOpenNewFileInZip64(archive, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                              Z_DEFLATED, Z_BEST_COMPRESSION, large ? 1 : 0) == ZIP_OK;
    constexpr std::size_t kPiece = 1 << 20;
    for (std::size_t offset = 0; written && offset < contents.size(); offset += kPiece) {
        std::size_t count = std::min(kPiece, contents.size() - offset);
        written = zipWriteInFileInZip(archive, contents.data() + offset,
                                      static_cast<unsigned>(count)) == ZIP_OK;
    }
    written = zipCloseFileInZip(archive) == ZIP_OK && written;
    written = zipClose(archive, nullptr) == ZIP_OK && written;
    if (!written || file.failed)
        return std::nullopt;
    return std::move(file.bytes);
}
