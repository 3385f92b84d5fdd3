#include "knowledge/KBPasswordCipher.h"

#include "knowledge/KBKeyDerivation.h"
#include "platform/Mutex.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>
#include <string>

namespace {

constexpr std::size_t kKeySize = 32;
constexpr std::size_t kEncryptionSaltOffset = 2;
constexpr std::size_t kHMACSaltOffset = 10;
constexpr std::size_t kIVOffset = 18;
constexpr std::size_t kSaltSize = 8;

// A derived key that is wiped whenever it goes out of scope.
struct Key {
    std::array<std::uint8_t, kKeySize> bytes{};
    ~Key() { OPENSSL_cleanse(bytes.data(), bytes.size()); }
};

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Fuzzing builds only. A fuzzer feeds the same password and salts again and again
// (its mutations seldom touch those bytes), and the 10,000 rounds would take nearly
// all of its time. A derived key depends on nothing but password, salt and rounds, so
// answering from memory changes the speed and nothing else. Other builds never keep
// a key after use.
struct RememberedKey {
    std::string password;
    std::array<std::uint8_t, kSaltSize> salt{};
    Key key;
    bool used = false;
};

// One slot per hash: a mutated password or salt evicts whatever shared its slot, so
// the table is far larger than a corpus for the corpus's keys to stay in it.
platform::Mutex g_rememberedKeysLock;
std::array<RememberedKey, 4096> g_rememberedKeys GUARDED_BY(g_rememberedKeysLock);

// The slot stays the caller's only while it holds the lock.
RememberedKey* rememberedKeySlot(std::string_view password, std::span<const std::uint8_t> salt)
    REQUIRES(g_rememberedKeysLock) {
    if (salt.size() != kSaltSize)
        return nullptr;
    std::string_view saltText(reinterpret_cast<const char*>(salt.data()), salt.size());
    std::size_t passwordHash = std::hash<std::string_view>{}(password);
    std::size_t saltHash = std::hash<std::string_view>{}(saltText);
    return &g_rememberedKeys[(passwordHash * 31 + saltHash) % g_rememberedKeys.size()];
}
#endif

bool deriveKey(std::string_view password, std::span<const std::uint8_t> salt, Key& key) {
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    platform::MutexLock lock(g_rememberedKeysLock);
    RememberedKey* slot = rememberedKeySlot(password, salt);
    if (slot && slot->used && slot->password == password &&
        std::equal(salt.begin(), salt.end(), slot->salt.begin())) {
        key.bytes = slot->key.bytes;
        return true;
    }
#endif
    bool derived = KBKeyDerivation::deriveSHA1(
        password, salt, static_cast<std::uint32_t>(KBPasswordCipher::kIterations), key.bytes);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    if (derived && slot) {
        slot->password.assign(password);
        std::copy(salt.begin(), salt.end(), slot->salt.begin());
        slot->key.bytes = key.bytes;
        slot->used = true;
    }
#endif
    return derived;
}

bool computeHMAC(const Key& key, std::span<const std::uint8_t> data,
                 std::array<std::uint8_t, KBPasswordCipher::kHMACSize>& out) {
    unsigned int length = 0;
    return HMAC(EVP_sha256(), key.bytes.data(), static_cast<int>(key.bytes.size()), data.data(),
                data.size(), out.data(), &length) != nullptr &&
           length == out.size();
}

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

CipherContext newContext() {
    return CipherContext(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
}

std::optional<SecureBuffer> fail(KBCipherError reason, KBCipherError* error) {
    if (error)
        *error = reason;
    return std::nullopt;
}

} // namespace

std::optional<KBCipherSalts> KBCipherSalts::random() {
    KBCipherSalts salts;
    if (RAND_bytes(salts.encryptionSalt.data(), static_cast<int>(salts.encryptionSalt.size())) !=
            1 ||
        RAND_bytes(salts.hmacSalt.data(), static_cast<int>(salts.hmacSalt.size())) != 1 ||
        RAND_bytes(salts.iv.data(), static_cast<int>(salts.iv.size())) != 1)
        return std::nullopt;
    return salts;
}

std::string describeCipherError(KBCipherError error, std::span<const std::uint8_t> message) {
    using C = KBPasswordCipher;
    const std::size_t size = message.size();
    auto at = [](std::size_t offset) { return " (at offset " + std::to_string(offset) + ")"; };
    switch (error) {
    case KBCipherError::None:
        return "no error";
    case KBCipherError::TooShort:
        return "the encrypted part is " + std::to_string(size) + " bytes, fewer than the " +
               std::to_string(C::kMinimumSize) + " its format needs";
    case KBCipherError::UnknownVersion:
        return "unknown format version " + std::to_string(message[0]) + ", not " +
               std::to_string(C::kVersion) + at(0);
    case KBCipherError::UnknownOptions:
        return "unknown options " + std::to_string(message[1]) + at(1);
    case KBCipherError::BadLength:
        return "the ciphertext is not a whole number of " + std::to_string(C::kBlockSize) +
               "-byte blocks" + at(C::kHeaderSize);
    case KBCipherError::AuthenticationFailed:
        return "the authentication code does not match: damaged, or protected with another "
               "password" +
               at(size - C::kHMACSize);
    case KBCipherError::BadPadding:
        return "the padding of the last block is not valid" +
               at(size - C::kHMACSize - C::kBlockSize);
    case KBCipherError::CryptoFailure:
        return "the cryptographic library failed";
    }
    return "refused";
}

std::optional<SecureBuffer> KBPasswordCipher::decryptData(std::span<const std::uint8_t> message,
                                                          std::string_view password,
                                                          KBCipherError* error) {
    if (error)
        *error = KBCipherError::None;
    if (message.size() < kMinimumSize)
        return fail(KBCipherError::TooShort, error);
    if (message[0] != kVersion)
        return fail(KBCipherError::UnknownVersion, error);
    if (message[1] != kPasswordOption)
        return fail(KBCipherError::UnknownOptions, error);
    std::size_t cipherSize = message.size() - kHeaderSize - kHMACSize;
    if (cipherSize % kBlockSize != 0)
        return fail(KBCipherError::BadLength, error);
    if (cipherSize > INT_MAX)
        return fail(KBCipherError::CryptoFailure, error);

    std::span<const std::uint8_t> signedPart = message.first(kHeaderSize + cipherSize);
    std::span<const std::uint8_t> storedHMAC = message.last(kHMACSize);
    Key hmacKey;
    std::array<std::uint8_t, kHMACSize> expectedHMAC{};
    if (!deriveKey(password, message.subspan(kHMACSaltOffset, kSaltSize), hmacKey) ||
        !computeHMAC(hmacKey, signedPart, expectedHMAC))
        return fail(KBCipherError::CryptoFailure, error);
    if (CRYPTO_memcmp(expectedHMAC.data(), storedHMAC.data(), kHMACSize) != 0)
        return fail(KBCipherError::AuthenticationFailed, error);

    Key encryptionKey;
    if (!deriveKey(password, message.subspan(kEncryptionSaltOffset, kSaltSize), encryptionKey))
        return fail(KBCipherError::CryptoFailure, error);
    CipherContext context = newContext();
    SecureBuffer plaintext(cipherSize);
    int updated = 0;
    int finished = 0;
    if (!context ||
        EVP_DecryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, encryptionKey.bytes.data(),
                           message.data() + kIVOffset) != 1 ||
        EVP_DecryptUpdate(context.get(), plaintext.data(), &updated, message.data() + kHeaderSize,
                          static_cast<int>(cipherSize)) != 1)
        return fail(KBCipherError::CryptoFailure, error);
    if (EVP_DecryptFinal_ex(context.get(), plaintext.data() + updated, &finished) != 1)
        return fail(KBCipherError::BadPadding, error);
    plaintext.resize(static_cast<std::size_t>(updated) + static_cast<std::size_t>(finished));
    return plaintext;
}

std::optional<SecureBuffer> KBPasswordCipher::encryptData(std::span<const std::uint8_t> plaintext,
                                                          std::string_view password) {
    std::optional<KBCipherSalts> salts = KBCipherSalts::random();
    if (!salts)
        return std::nullopt;
    return encryptData(plaintext, password, *salts);
}

std::optional<SecureBuffer> KBPasswordCipher::encryptData(std::span<const std::uint8_t> plaintext,
                                                          std::string_view password,
                                                          const KBCipherSalts& salts) {
    // OpenSSL counts in int; the knowledge base is far smaller than that.
    if (plaintext.size() > INT_MAX - kBlockSize)
        return std::nullopt;
    std::size_t cipherSize = (plaintext.size() / kBlockSize + 1) * kBlockSize;
    SecureBuffer message(kHeaderSize + cipherSize + kHMACSize);
    message[0] = kVersion;
    message[1] = kPasswordOption;
    std::copy(salts.encryptionSalt.begin(), salts.encryptionSalt.end(),
              message.data() + kEncryptionSaltOffset);
    std::copy(salts.hmacSalt.begin(), salts.hmacSalt.end(), message.data() + kHMACSaltOffset);
    std::copy(salts.iv.begin(), salts.iv.end(), message.data() + kIVOffset);

    Key encryptionKey;
    Key hmacKey;
    if (!deriveKey(password, salts.encryptionSalt, encryptionKey) ||
        !deriveKey(password, salts.hmacSalt, hmacKey))
        return std::nullopt;
    CipherContext context = newContext();
    int updated = 0;
    int finished = 0;
    std::uint8_t* out = message.data() + kHeaderSize;
    if (!context ||
        EVP_EncryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, encryptionKey.bytes.data(),
                           salts.iv.data()) != 1 ||
        EVP_EncryptUpdate(context.get(), out, &updated, plaintext.data(),
                          static_cast<int>(plaintext.size())) != 1 ||
        EVP_EncryptFinal_ex(context.get(), out + updated, &finished) != 1 ||
        static_cast<std::size_t>(updated) + static_cast<std::size_t>(finished) != cipherSize)
        return std::nullopt;

    std::array<std::uint8_t, kHMACSize> hmac{};
    if (!computeHMAC(hmacKey, message.bytes().first(kHeaderSize + cipherSize), hmac))
        return std::nullopt;
    std::copy(hmac.begin(), hmac.end(), message.data() + kHeaderSize + cipherSize);
    return message;
}
