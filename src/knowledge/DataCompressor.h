#pragma once

#include "knowledge/KBPasswordCipher.h"
#include "knowledge/SecureBuffer.h"

#include <cstdint>
#include <optional>
#include <span>

// Packs an XML document into a knowledge-base container: the inverse of every stage
// of DataDecompressor, with fresh random password bytes, salts and IV for every
// container. Intermediate results are wiped as soon as the next stage has used them.
class DataCompressor {
public:
    // The container for `document`; nothing for an empty document.
    static std::optional<SecureBuffer> compressData(std::span<const std::uint8_t> document);

    // A zip archive whose single entry "_" holds `contents`.
    static std::optional<SecureBuffer> zippedData(std::span<const std::uint8_t> contents);

    // The scrambled form of a zip archive (four bytes shorter); nothing unless `zip`
    // begins with the zip signature.
    static std::optional<SecureBuffer> shakeZipData(std::span<const std::uint8_t> zip);

    // The encrypted stage for `plaintext` with random password bytes, salts and IV.
    static std::optional<SecureBuffer> encodeData(std::span<const std::uint8_t> plaintext);
    // The same with given password bytes, salts and IV, for reproducible output.
    static std::optional<SecureBuffer> encodeData(std::span<const std::uint8_t> plaintext,
                                                  std::span<const std::uint8_t, 16> passwordBytes,
                                                  const KBCipherSalts& salts);
};
