#pragma once

#include "knowledge/DataChangeCommon.h"
#include "knowledge/KnowledgeBaseLimits.h"
#include "knowledge/SecureBuffer.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Opens the knowledge-base container: unscramble, unpack, decrypt, unscramble, unpack.
// Every stage answers nothing when given nothing, an empty buffer or bytes it cannot
// use, and the pipeline stops at the first stage that does. Each intermediate result
// is wiped as soon as the next stage has used it.
class DataDecompressor {
public:
    // What the outer archive may unpack to (the encrypted stage), and the inner one (the
    // document).
    static constexpr std::uint64_t kUnpackedSizeLimit =
        KnowledgeBaseLimits::kMaxEncryptedStageBytes;
    static constexpr std::uint64_t kDocumentSizeLimit = KnowledgeBaseLimits::kMaxDocumentBytes;

    // The document, or why there is none.
    struct Opening {
        std::optional<SecureBuffer> document;
        std::string failure;
    };
    // The names of the stages, in the order they run.
    static constexpr std::array<std::string_view, 5> kStageNames{
        "unscrambling the container", "unpacking the outer archive", "decrypting",
        "unscrambling the inner archive", "unpacking the document"};
    // The XML document inside a container; the caller wipes it after parsing. Without
    // one, `failure` names the stage that stopped and why, with the offset in that stage's
    // input where there is one ("stage 3 of 5, decrypting: the authentication code does
    // not match ... (at offset 9170)").
    static Opening openContainer(std::span<const std::uint8_t> container);
    // The same without the reason.
    static std::optional<SecureBuffer> decompressData(std::span<const std::uint8_t> container);

    // The zip archive a scrambled archive restores to (four bytes longer than `data`).
    static std::optional<SecureBuffer> unshakeZipData(std::span<const std::uint8_t> data);

    // The contents of the entry "_" of a zip archive. The archive is written to a fresh
    // private temporary folder and unpacked there; the folder is always removed before
    // this answers. Logs one line when the archive cannot be unpacked.
    static std::optional<SecureBuffer> unzippedData(std::span<const std::uint8_t> zip,
                                                    std::uint64_t sizeLimit = kUnpackedSizeLimit);
    // The same with the reason when there is nothing: empty when the archive simply had
    // no usable entry "_".
    static Opening unzip(std::span<const std::uint8_t> zip, std::uint64_t sizeLimit);

    // The plaintext of the encrypted stage: the password bytes are taken out of their
    // places and the rest is decrypted with the password they spell in hexadecimal.
    static std::optional<SecureBuffer> decodeData(std::span<const std::uint8_t> data);
    // The same with the reason when there is nothing; offsets are those of the message
    // left once the password bytes are out.
    static Opening decode(std::span<const std::uint8_t> data);

    // A new buffer holding `range` of `data`; nothing if the range does not fit.
    static std::optional<SecureBuffer> dataFromData(std::span<const std::uint8_t> data,
                                                    ByteRange range);
};
