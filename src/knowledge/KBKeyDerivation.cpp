// SHA1_Init and SHA1_Transform, deprecated as an interface in OpenSSL 3 but kept, are
// what lets a round cost exactly two compressions.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "knowledge/KBKeyDerivation.h"

#include <algorithm>
#include <array>
#include <openssl/crypto.h>
#include <openssl/sha.h>

namespace {

constexpr std::size_t kBlock = SHA_CBLOCK;         // 64
constexpr std::size_t kDigest = SHA_DIGEST_LENGTH; // 20

// A block that holds a digest as the whole message after one keyed block: the digest,
// the 0x80 that ends it, zeros, and the length in bits of key block and digest.
struct PaddedDigest {
    std::array<std::uint8_t, kBlock> bytes{};
    PaddedDigest() {
        bytes[kDigest] = 0x80;
        constexpr std::uint64_t bits = (kBlock + kDigest) * 8;
        for (std::size_t i = 0; i < 8; ++i)
            bytes[kBlock - 1 - i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
    ~PaddedDigest() { OPENSSL_cleanse(bytes.data(), bytes.size()); }
    std::uint8_t* digest() { return bytes.data(); }
};

// The state after the key block, and a round: the digest of that state and `in`.
void stateAfterKey(SHA_CTX& state, const std::array<std::uint8_t, kBlock>& key, std::uint8_t pad) {
    std::array<std::uint8_t, kBlock> block{};
    for (std::size_t i = 0; i < kBlock; ++i)
        block[i] = key[i] ^ pad;
    SHA1_Init(&state);
    SHA1_Update(&state, block.data(), block.size());
    OPENSSL_cleanse(block.data(), block.size());
}

void digestOf(const SHA_CTX& keyed, const PaddedDigest& in, std::uint8_t* out) {
    SHA_CTX state = keyed;
    SHA1_Transform(&state, in.bytes.data());
    const SHA_LONG words[] = {state.h0, state.h1, state.h2, state.h3, state.h4};
    for (std::size_t i = 0; i < 5; ++i) {
        out[4 * i] = static_cast<std::uint8_t>(words[i] >> 24);
        out[4 * i + 1] = static_cast<std::uint8_t>(words[i] >> 16);
        out[4 * i + 2] = static_cast<std::uint8_t>(words[i] >> 8);
        out[4 * i + 3] = static_cast<std::uint8_t>(words[i]);
    }
}

} // namespace

bool KBKeyDerivation::deriveSHA1(std::string_view password, std::span<const std::uint8_t> salt,
                                 std::uint32_t iterations, std::span<std::uint8_t> key) {
    if (iterations < 1)
        return false;
    // HMAC's key: the password, or its digest when longer than a block, padded with zeros.
    std::array<std::uint8_t, kBlock> hmacKey{};
    if (password.size() > kBlock)
        SHA1(reinterpret_cast<const unsigned char*>(password.data()), password.size(),
             hmacKey.data());
    else
        std::copy(password.begin(), password.end(), hmacKey.begin());
    SHA_CTX inner;
    SHA_CTX outer;
    stateAfterKey(inner, hmacKey, 0x36);
    stateAfterKey(outer, hmacKey, 0x5c);
    OPENSSL_cleanse(hmacKey.data(), hmacKey.size());

    // The key's blocks are independent chains of rounds: they are run side by side, so
    // that the processor overlaps the compressions of one with those of the others.
    constexpr std::size_t kChains = 4;
    const std::size_t blocks = (key.size() + kDigest - 1) / kDigest;
    for (std::size_t firstBlock = 0; firstBlock < blocks; firstBlock += kChains) {
        const std::size_t chains = std::min(kChains, blocks - firstBlock);
        PaddedDigest round[kChains];
        PaddedDigest between[kChains];
        std::array<std::array<std::uint8_t, kDigest>, kChains> sums{};
        // U1 = HMAC(salt || block number), through the general path once.
        for (std::size_t c = 0; c < chains; ++c) {
            const auto block = static_cast<std::uint32_t>(firstBlock + c + 1);
            SHA_CTX first = inner;
            const std::uint8_t number[] = {
                static_cast<std::uint8_t>(block >> 24), static_cast<std::uint8_t>(block >> 16),
                static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block)};
            SHA1_Update(&first, salt.data(), salt.size());
            SHA1_Update(&first, number, sizeof number);
            SHA1_Final(between[c].digest(), &first);
            digestOf(outer, between[c], round[c].digest());
            std::copy_n(round[c].digest(), kDigest, sums[c].begin());
        }
        // U2 ... Un, each the HMAC of the one before, summed.
        for (std::uint32_t i = 1; i < iterations; ++i) {
            for (std::size_t c = 0; c < chains; ++c)
                digestOf(inner, round[c], between[c].digest());
            for (std::size_t c = 0; c < chains; ++c)
                digestOf(outer, between[c], round[c].digest());
            for (std::size_t c = 0; c < chains; ++c)
                for (std::size_t at = 0; at < kDigest; ++at)
                    sums[c][at] ^= round[c].bytes[at];
        }
        for (std::size_t c = 0; c < chains; ++c) {
            const std::size_t offset = (firstBlock + c) * kDigest;
            std::copy_n(sums[c].begin(), std::min(kDigest, key.size() - offset),
                        key.begin() + offset);
        }
        OPENSSL_cleanse(sums.data(), sizeof sums);
    }
    OPENSSL_cleanse(&inner, sizeof inner);
    OPENSSL_cleanse(&outer, sizeof outer);
    return true;
}
