#pragma once

#include "knowledge/SecureBuffer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Why a message was refused.
enum class KBCipherError {
    None,
    TooShort,
    UnknownVersion,
    UnknownOptions,
    BadLength,
    AuthenticationFailed,
    BadPadding,
    CryptoFailure,
};

// Why a message was refused, in words, with the offset in the message where the fault
// lies when there is one.
std::string describeCipherError(KBCipherError error, std::span<const std::uint8_t> message);

// The random values that make every encryption of the same plaintext different.
struct KBCipherSalts {
    std::array<std::uint8_t, 8> encryptionSalt{};
    std::array<std::uint8_t, 8> hmacSalt{};
    std::array<std::uint8_t, 16> iv{};

    // Fresh values from the system's random generator; nothing if it fails.
    static std::optional<KBCipherSalts> random();
};

// The password-based message format of the container's encrypted stage (format
// version 3): a 34-byte header (version, options, two PBKDF2 salts, IV), the
// AES-256-CBC ciphertext with PKCS#7 padding, and an HMAC-SHA256 over header and
// ciphertext. Both keys come from PBKDF2-HMAC-SHA1 with 10,000 rounds. The HMAC is
// checked in constant time before anything is decrypted.
class KBPasswordCipher {
public:
    static constexpr std::uint8_t kVersion = 3;
    static constexpr std::uint8_t kPasswordOption = 0x01;
    static constexpr std::size_t kHeaderSize = 34;
    static constexpr std::size_t kBlockSize = 16;
    static constexpr std::size_t kHMACSize = 32;
    static constexpr std::size_t kMinimumSize = kHeaderSize + kBlockSize + kHMACSize;
    static constexpr int kIterations = 10000;

    // The plaintext (possibly empty), or nothing with the reason in `error`.
    static std::optional<SecureBuffer> decryptData(std::span<const std::uint8_t> message,
                                                   std::string_view password,
                                                   KBCipherError* error = nullptr);

    // The message for `plaintext` with fresh random salts and IV.
    static std::optional<SecureBuffer> encryptData(std::span<const std::uint8_t> plaintext,
                                                   std::string_view password);
    // The same with given salts and IV, for reproducible output.
    static std::optional<SecureBuffer> encryptData(std::span<const std::uint8_t> plaintext,
                                                   std::string_view password,
                                                   const KBCipherSalts& salts);
};
