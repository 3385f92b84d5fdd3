#include "knowledge/KBPasswordCipher.h"

#include "ContainerTestSupport.h"
#include "knowledge/KBKeyDerivation.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <string>
#include <vector>

using namespace container_test;
using namespace std::string_literals;

namespace {

// The format's published "One byte" vector.
const std::string kPassword = "thepassword";
const std::string kMessageHex =
    "03010001020304050607010203040506070802030405060708090a0b0c0d0e0f0001a1f8730e0bf480eb7b"
    "70f690abf21e029514164ad3c474a51b30c7eaa1ca545b7de3de5b010acbad0a9a13857df696a8";

KBCipherSalts vectorSalts() {
    KBCipherSalts salts;
    for (std::uint8_t i = 0; i < 16; ++i) {
        salts.iv[i] = (i + 2) % 16;
        if (i < 8) {
            salts.encryptionSalt[i] = i;
            salts.hmacSalt[i] = i + 1;
        }
    }
    return salts;
}

} // namespace

TEST(KBPasswordCipher, ReproducesAndDecryptsThePublishedVector) {
    KBCipherError error = KBCipherError::CryptoFailure;
    auto plaintext = KBPasswordCipher::decryptData(bytes(fromHex(kMessageHex)), kPassword, &error);
    EXPECT_EQ(text(plaintext), fromHex("01"));
    EXPECT_EQ(error, KBCipherError::None);
    auto message = KBPasswordCipher::encryptData(bytes(fromHex("01")), kPassword, vectorSalts());
    EXPECT_EQ(text(message), fromHex(kMessageHex));
}

TEST(KBPasswordCipher, RefusesMalformedMessagesWithTheirReason) {
    const std::string valid = fromHex(kMessageHex);
    auto changed = [&](std::size_t offset) {
        std::string message = valid;
        message[offset] = static_cast<char>(message[offset] ^ 0x01);
        return message;
    };
    // Messages with a right HMAC but bad padding reach the padding check only when the
    // HMAC is checked first.
    std::string badPadding =
        messageWithoutPadding(std::string(15, 'x') + '\x00', kPassword, vectorSalts());
    std::string paddingTooLong =
        messageWithoutPadding(std::string(15, 'x') + '\x11', kPassword, vectorSalts());

    struct Case {
        const char* name;
        std::string message;
        std::string password;
        KBCipherError error;
    };
    const Case cases[] = {
        {"one byte short of the minimum", valid.substr(0, 81), kPassword, KBCipherError::TooShort},
        {"version 2", std::string("\x02") + valid.substr(1), kPassword,
         KBCipherError::UnknownVersion},
        {"options 0 (key based)", valid.substr(0, 1) + '\x00' + valid.substr(2), kPassword,
         KBCipherError::UnknownOptions},
        {"ciphertext not whole blocks", valid + "x", kPassword, KBCipherError::BadLength},
        {"changed salt", changed(3), kPassword, KBCipherError::AuthenticationFailed},
        {"wrong password", valid, "thepassworD", KBCipherError::AuthenticationFailed},
        {"padding byte 0", badPadding, kPassword, KBCipherError::BadPadding},
        {"padding longer than a block", paddingTooLong, kPassword, KBCipherError::BadPadding},
    };
    for (const Case& c : cases) {
        KBCipherError error = KBCipherError::None;
        EXPECT_FALSE(KBPasswordCipher::decryptData(bytes(c.message), c.password, &error)) << c.name;
        EXPECT_EQ(error, c.error) << c.name;
    }
}

// The derivation against OpenSSL's own PBKDF2: passwords up to and past a block (which
// HMAC hashes first), empty and long salts, keys shorter than, equal to and spanning
// several digests, and one, two and many rounds.
TEST(KBKeyDerivation, MatchesOpenSSLsPBKDF2) {
    const std::string passwords[] = {"", "password", std::string(64, 'k'), std::string(65, 'k'),
                                     std::string(200, '\xff')};
    const std::string salts[] = {"", "salt", "\x00\x01\x02\x03\x04\x05\x06\x07"s,
                                 std::string(100, 's')};
    for (const std::string& password : passwords) {
        for (const std::string& salt : salts) {
            for (const auto& [rounds, length] :
                 {std::pair{1u, 20u}, {2u, 1u}, {1000u, 32u}, {3u, 41u}, {7u, 64u}}) {
                std::vector<std::uint8_t> ours(length);
                std::vector<std::uint8_t> theirs(length);
                ASSERT_TRUE(KBKeyDerivation::deriveSHA1(password, bytes(salt), rounds, ours));
                ASSERT_EQ(PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                                            reinterpret_cast<const unsigned char*>(salt.data()),
                                            static_cast<int>(salt.size()), static_cast<int>(rounds),
                                            EVP_sha1(), static_cast<int>(length), theirs.data()),
                          1);
                EXPECT_EQ(ours, theirs) << password.size() << "-byte password, " << salt.size()
                                        << "-byte salt, " << rounds << " rounds";
            }
        }
    }
    std::uint8_t key[20];
    EXPECT_FALSE(KBKeyDerivation::deriveSHA1("p", {}, 0, key));
}
