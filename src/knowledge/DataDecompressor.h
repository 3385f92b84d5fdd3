#pragma once

#include "knowledge/DataChangeCommon.h"
#include "knowledge/SecureBuffer.h"

#include <cstdint>
#include <optional>
#include <span>

// Opens the knowledge-base container: unscramble, unpack, decrypt, unscramble, unpack.
// Every stage answers nothing when given nothing, an empty buffer or bytes it cannot
// use, and the pipeline stops at the first stage that does. Each intermediate result
// is wiped as soon as the next stage has used it.
class DataDecompressor {
public:
    // Neither archive of a container may unpack to more than this.
    static constexpr std::uint64_t kUnpackedSizeLimit = 256ull * 1024 * 1024;

    // The XML document inside a container; the caller wipes it after parsing.
    static std::optional<SecureBuffer> decompressData(std::span<const std::uint8_t> container);

    // The zip archive a scrambled archive restores to (four bytes longer than `data`).
    static std::optional<SecureBuffer> unshakeZipData(std::span<const std::uint8_t> data);

    // The contents of the entry "_" of a zip archive. The archive is written to a fresh
    // private temporary folder and unpacked there; the folder is always removed before
    // this answers. Logs one line when the archive cannot be unpacked.
    static std::optional<SecureBuffer> unzippedData(std::span<const std::uint8_t> zip,
                                                    std::uint64_t sizeLimit = kUnpackedSizeLimit);

    // The plaintext of the encrypted stage: the password bytes are taken out of their
    // places and the rest is decrypted with the password they spell in hexadecimal.
    static std::optional<SecureBuffer> decodeData(std::span<const std::uint8_t> data);

    // A new buffer holding `range` of `data`; nothing if the range does not fit.
    static std::optional<SecureBuffer> dataFromData(std::span<const std::uint8_t> data,
                                                    ByteRange range);
};
