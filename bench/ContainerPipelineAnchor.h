#pragma once

// The anchor of loading the knowledge base: the least work the container format allows,
// from the file's bytes to a parsed document, with the libraries the helper uses
// (OpenSSL's PBKDF2, HMAC and AES-CBC, zlib's inflate) and pugixml's minimal parse,
// everything in memory. It restores each scrambled archive in one pass, finds the entry
// through the central directory and inflates it straight into a buffer of its declared
// size, takes the password out of its places, checks the HMAC and decrypts: what any
// reader of the format must do. It leaves out what the helper adds: wiping, the limits,
// the archive checks beyond locating the entry, the CRC (the HMAC already vouches for
// the bytes), and the model.

#include "ThreadFaults.h"
#include "knowledge/DataChangeCommon.h"
#include "knowledge/DataDecompressor.h"
#include "knowledge/KBPasswordCipher.h"
#include "knowledge/KnowledgeBaseLimits.h"
#include "platform/FileSystem.h"
#include "platform/MemoryRelease.h"

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstring>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <optional>
#include <pugixml.hpp>
#include <span>
#include <string>
#include <time.h>
#include <vector>
#include <zlib.h>

namespace bench_support {

class ContainerPipelineAnchor {
public:
    using Bytes = std::vector<std::uint8_t>;

    // The document inside a container; none when any layer is not as expected.
    static std::optional<Bytes> open(std::span<const std::uint8_t> container) {
        Bytes outer = unscramble(container);
        std::optional<Bytes> stage = entry(outer);
        if (!stage)
            return std::nullopt;
        std::optional<Bytes> inner = decrypt(*stage);
        if (!inner)
            return std::nullopt;
        return entry(unscramble(*inner));
    }

    // The benchmark: the container file at `path` to a parsed document, CPU time of the
    // thread. Its plaintext must be ours, byte for byte: each time, it is compared with
    // the document our pipeline gives, between the two timed parts.
    static void measure(benchmark::State& state, const std::string& path) {
        auto container =
            platform::FileSystem::readFile(path, KnowledgeBaseLimits::kMaxContainerBytes);
        auto ours = container ? DataDecompressor::decompressData(bytes(*container)) : std::nullopt;
        if (!ours) {
            state.SkipWithError("our pipeline does not open the container");
            return;
        }
        long faults = 0;
        for (auto _ : state) {
            // Each load starts where the helper's starts: see startLikeTheHelper() in kb.cpp.
            platform::MemoryRelease::returnFreedMemory();
            long faultsBefore = threadMinorFaults();
            const double start = threadSeconds();
            auto file =
                platform::FileSystem::readFile(path, KnowledgeBaseLimits::kMaxContainerBytes);
            auto xml = file ? open(bytes(*file)) : std::nullopt;
            const double opened = threadSeconds();
            faults += threadMinorFaults() - faultsBefore;
            if (!xml ||
                !std::equal(xml->begin(), xml->end(), ours->bytes().begin(), ours->bytes().end())) {
                state.SkipWithError("the anchor's plaintext is not ours");
                return;
            }
            faultsBefore = threadMinorFaults();
            const double parsing = threadSeconds();
            pugi::xml_document document;
            const bool parsed = parse(*xml, document);
            state.SetIterationTime(opened - start + threadSeconds() - parsing);
            faults += threadMinorFaults() - faultsBefore;
            if (!parsed) {
                state.SkipWithError("pugixml did not parse the document");
                return;
            }
        }
        state.counters["xml_bytes"] = static_cast<double>(ours->size());
        state.counters["minor_faults"] =
            benchmark::Counter(static_cast<double>(faults), benchmark::Counter::kAvgIterations);
    }

    // pugixml's least parse, in place (the buffer is the document's storage).
    static bool parse(Bytes& xml, pugi::xml_document& document) {
        return document.load_buffer_inplace(xml.data(), xml.size(), pugi::parse_minimal,
                                            pugi::encoding_utf8);
    }

private:
    static double threadSeconds() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    }

    static std::span<const std::uint8_t> bytes(const std::string& text) {
        return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
    }

    static std::uint32_t little(const std::uint8_t* at, int size) {
        std::uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = value << 8 | at[i];
        return value;
    }

    // signature || bitrev(reverse(back half)) || reverse(front half), in one pass.
    static Bytes unscramble(std::span<const std::uint8_t> scrambled) {
        static const std::array<std::uint8_t, 256> bitReversed = [] {
            std::array<std::uint8_t, 256> table{};
            for (int byte = 0; byte < 256; ++byte) {
                std::uint8_t reversed = 0;
                for (int bit = 0; bit < 8; ++bit)
                    reversed |= static_cast<std::uint8_t>(((byte >> bit) & 1) << (7 - bit));
                table[static_cast<std::size_t>(byte)] = reversed;
            }
            return table;
        }();
        const auto& signature = DataChangeCommon::kZipSignature;
        Bytes archive(signature.size() + scrambled.size());
        std::copy(signature.begin(), signature.end(), archive.begin());
        const std::size_t front = scrambled.size() / 2;
        std::uint8_t* out = archive.data() + signature.size();
        for (std::size_t at = scrambled.size(); at > front; --at)
            *out++ = bitReversed[scrambled[at - 1]];
        for (std::size_t at = front; at > 0; --at)
            *out++ = scrambled[at - 1];
        return archive;
    }

    // The first entry's contents, located through the end record and the central
    // directory, inflated (or copied, when stored) into a buffer of its declared size.
    static std::optional<Bytes> entry(const Bytes& zip) {
        constexpr std::size_t kEndRecord = 22;
        constexpr std::size_t kLocalHeader = 30;
        constexpr std::size_t kCentralHeader = 46;
        if (zip.size() < kEndRecord)
            return std::nullopt;
        const std::uint8_t* end = zip.data() + zip.size() - kEndRecord;
        if (little(end, 4) != 0x06054b50)
            return std::nullopt;
        const std::size_t directory = little(end + 16, 4);
        if (directory + kCentralHeader > zip.size())
            return std::nullopt;
        const std::uint8_t* central = zip.data() + directory;
        const unsigned method = little(central + 10, 2);
        const std::size_t packed = little(central + 20, 4);
        const std::size_t unpacked = little(central + 24, 4);
        const std::size_t local = little(central + 42, 4);
        if (local + kLocalHeader > zip.size())
            return std::nullopt;
        const std::size_t data = local + kLocalHeader + little(zip.data() + local + 26, 2) +
                                 little(zip.data() + local + 28, 2);
        if (data + packed > zip.size())
            return std::nullopt;
        Bytes contents(unpacked);
        if (method == 0 && packed == unpacked) {
            std::memcpy(contents.data(), zip.data() + data, packed);
            return contents;
        }
        z_stream stream{};
        if (method != Z_DEFLATED || inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            return std::nullopt;
        stream.next_in = const_cast<Bytef*>(zip.data() + data);
        stream.avail_in = static_cast<uInt>(packed);
        stream.next_out = contents.data();
        stream.avail_out = static_cast<uInt>(unpacked);
        const int status = inflate(&stream, Z_FINISH);
        inflateEnd(&stream);
        if (status != Z_STREAM_END || stream.total_out != unpacked)
            return std::nullopt;
        return contents;
    }

    // The encrypted stage's password out of its places, both keys, the HMAC checked, and
    // the ciphertext decrypted.
    static std::optional<Bytes> decrypt(const Bytes& stage) {
        const auto& places = DataChangeCommon::kPasswordPlaces;
        if (stage.size() <= places.back())
            return std::nullopt;
        static constexpr char kHex[] = "0123456789ABCDEF";
        std::array<char, 2 * DataChangeCommon::kPasswordLength> password{};
        Bytes message;
        message.reserve(stage.size() - places.size());
        std::size_t start = 0;
        for (std::size_t i = 0; i < places.size(); ++i) {
            message.insert(message.end(), stage.begin() + static_cast<long>(start),
                           stage.begin() + static_cast<long>(places[i]));
            password[2 * i] = kHex[stage[places[i]] >> 4];
            password[2 * i + 1] = kHex[stage[places[i]] & 15];
            start = places[i] + 1;
        }
        message.insert(message.end(), stage.begin() + static_cast<long>(start), stage.end());
        using Cipher = KBPasswordCipher;
        if (message.size() < Cipher::kMinimumSize)
            return std::nullopt;
        const std::size_t cipherSize = message.size() - Cipher::kHeaderSize - Cipher::kHMACSize;
        std::array<std::uint8_t, 32> encryptionKey{};
        std::array<std::uint8_t, 32> hmacKey{};
        std::array<std::uint8_t, Cipher::kHMACSize> hmac{};
        unsigned int hmacSize = 0;
        if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                              message.data() + 10, 8, Cipher::kIterations, EVP_sha1(),
                              static_cast<int>(hmacKey.size()), hmacKey.data()) != 1 ||
            !HMAC(EVP_sha256(), hmacKey.data(), static_cast<int>(hmacKey.size()), message.data(),
                  Cipher::kHeaderSize + cipherSize, hmac.data(), &hmacSize) ||
            CRYPTO_memcmp(hmac.data(), message.data() + Cipher::kHeaderSize + cipherSize,
                          hmac.size()) != 0 ||
            PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                              message.data() + 2, 8, Cipher::kIterations, EVP_sha1(),
                              static_cast<int>(encryptionKey.size()), encryptionKey.data()) != 1)
            return std::nullopt;
        Bytes plaintext(cipherSize);
        EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
        int updated = 0;
        int finished = 0;
        const bool decrypted =
            context &&
            EVP_DecryptInit_ex(context, EVP_aes_256_cbc(), nullptr, encryptionKey.data(),
                               message.data() + 18) == 1 &&
            EVP_DecryptUpdate(context, plaintext.data(), &updated,
                              message.data() + Cipher::kHeaderSize,
                              static_cast<int>(cipherSize)) == 1 &&
            EVP_DecryptFinal_ex(context, plaintext.data() + updated, &finished) == 1;
        EVP_CIPHER_CTX_free(context);
        if (!decrypted)
            return std::nullopt;
        plaintext.resize(static_cast<std::size_t>(updated + finished));
        return plaintext;
    }
};

} // namespace bench_support
