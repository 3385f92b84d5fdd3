#include "ContainerTestSupport.h"

#include "knowledge/DataChangeCommon.h"
#include "knowledge/DataCompressor.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <zlib.h>

namespace container_test {

namespace {

std::string rawDeflate(const std::string& contents) {
    z_stream stream{};
    EXPECT_EQ(
        deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY),
        Z_OK);
    std::string out(deflateBound(&stream, contents.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(contents.data()));
    stream.avail_in = static_cast<uInt>(contents.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string orEmpty(const std::optional<SecureBuffer>& buffer) {
    EXPECT_TRUE(buffer.has_value());
    return buffer ? std::string(buffer->view()) : std::string();
}

} // namespace

std::string fromHex(std::string_view hex) {
    std::optional<SecureBuffer> data = DataChangeCommon::dataFromHexString(hex);
    EXPECT_TRUE(data.has_value()) << hex;
    return data ? std::string(data->view()) : std::string();
}

std::string makeZip(const std::vector<TestZipEntry>& entries) {
    std::string path = testing_support::Sandbox::process().makeFolder("zip") + "/archive.zip";
    zipFile archive = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    EXPECT_NE(archive, nullptr);
    for (const TestZipEntry& entry : entries) {
        zip_fileinfo info{};
        info.external_fa = entry.unixMode << 16;
        unsigned long madeBy = entry.unixMode ? (3ul << 8 | 20) : 0;
        bool raw = entry.declaredSize.has_value();
        std::string stored = raw ? rawDeflate(entry.contents) : entry.contents;
        EXPECT_EQ(zipOpenNewFileInZip4_64(archive, entry.name.c_str(), &info, nullptr, 0, nullptr,
                                          0, nullptr, Z_DEFLATED, Z_BEST_COMPRESSION, raw ? 1 : 0,
                                          -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0, madeBy,
                                          entry.encryptedFlag ? 1 : 0, 0),
                  ZIP_OK);
        EXPECT_EQ(zipWriteInFileInZip(archive, stored.data(), static_cast<unsigned>(stored.size())),
                  ZIP_OK);
        if (raw) {
            uLong crc = crc32(0, reinterpret_cast<const Bytef*>(entry.contents.data()),
                              static_cast<uInt>(entry.contents.size()));
            EXPECT_EQ(zipCloseFileInZipRaw64(archive, *entry.declaredSize, crc), ZIP_OK);
        } else {
            EXPECT_EQ(zipCloseFileInZip(archive), ZIP_OK);
        }
    }
    EXPECT_EQ(zipClose(archive, nullptr), ZIP_OK);
    std::string zip = testing_support::readFile(path);
    testing_support::removeTree(path);
    return zip;
}

PackedLayers packLayers(const std::string& document) {
    PackedLayers layers;
    layers.document = document;
    layers.innerZip = orEmpty(DataCompressor::zippedData(bytes(document)));
    layers.scrambledInner = orEmpty(DataCompressor::shakeZipData(bytes(layers.innerZip)));
    layers.encrypted = orEmpty(DataCompressor::encodeData(bytes(layers.scrambledInner)));
    layers.outerZip = orEmpty(DataCompressor::zippedData(bytes(layers.encrypted)));
    layers.container = orEmpty(DataCompressor::shakeZipData(bytes(layers.outerZip)));
    return layers;
}

std::string wrapFrom(Layer layer, const std::string& bytesOfLayer) {
    std::string current = bytesOfLayer;
    switch (layer) {
    case Layer::Document:
        current = orEmpty(DataCompressor::zippedData(bytes(current)));
        [[fallthrough]];
    case Layer::InnerZip:
        current = orEmpty(DataCompressor::shakeZipData(bytes(current)));
        [[fallthrough]];
    case Layer::ScrambledInner:
        current = orEmpty(DataCompressor::encodeData(bytes(current)));
        [[fallthrough]];
    case Layer::Encrypted:
        current = orEmpty(DataCompressor::zippedData(bytes(current)));
        [[fallthrough]];
    case Layer::OuterZip:
        current = orEmpty(DataCompressor::shakeZipData(bytes(current)));
        [[fallthrough]];
    case Layer::Container:
        break;
    }
    return current;
}

std::string placePasswordBytes(const std::string& message, const std::string& passwordBytes) {
    std::string stage;
    std::size_t taken = 0;
    for (std::size_t i = 0; i < DataChangeCommon::kPasswordPlaces.size(); ++i) {
        std::size_t count = DataChangeCommon::kPasswordPlaces[i] - stage.size();
        stage += message.substr(taken, count);
        taken += count;
        stage += passwordBytes[i];
    }
    return stage + message.substr(taken);
}

std::string messageWithoutPadding(const std::string& blocks, const std::string& password,
                                  const KBCipherSalts& salts) {
    unsigned char encryptionKey[32];
    unsigned char hmacKey[32];
    PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                      salts.encryptionSalt.data(), 8, 10000, EVP_sha1(), 32, encryptionKey);
    PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salts.hmacSalt.data(), 8,
                      10000, EVP_sha1(), 32, hmacKey);
    std::string message = {'\x03', '\x01'};
    message.append(salts.encryptionSalt.begin(), salts.encryptionSalt.end());
    message.append(salts.hmacSalt.begin(), salts.hmacSalt.end());
    message.append(salts.iv.begin(), salts.iv.end());

    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    std::string cipher(blocks.size(), '\0');
    int length = 0;
    EVP_EncryptInit_ex(context, EVP_aes_256_cbc(), nullptr, encryptionKey, salts.iv.data());
    EVP_CIPHER_CTX_set_padding(context, 0);
    EVP_EncryptUpdate(context, reinterpret_cast<unsigned char*>(cipher.data()), &length,
                      reinterpret_cast<const unsigned char*>(blocks.data()),
                      static_cast<int>(blocks.size()));
    EVP_CIPHER_CTX_free(context);
    message += cipher;

    unsigned char hmac[32];
    unsigned int hmacLength = 0;
    HMAC(EVP_sha256(), hmacKey, 32, reinterpret_cast<const unsigned char*>(message.data()),
         message.size(), hmac, &hmacLength);
    message.append(reinterpret_cast<const char*>(hmac), hmacLength);
    return message;
}

std::set<std::string> listTree(const std::string& folder) {
    std::set<std::string> paths;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        paths.insert(std::filesystem::relative(it->path(), folder).string());
    return paths;
}

WipeRecorder::WipeRecorder() {
    SecureBuffer::setWipeObserver([this](std::span<const std::uint8_t> wiped) {
        bool zeroed =
            std::all_of(wiped.begin(), wiped.end(), [](std::uint8_t b) { return b == 0; });
        m_wipes.push_back({wiped.size(), zeroed});
    });
}

WipeRecorder::~WipeRecorder() {
    SecureBuffer::setWipeObserver(nullptr);
}

bool WipeRecorder::sawInOrder(const std::vector<std::size_t>& sizes) const {
    auto next = sizes.begin();
    for (const Wipe& wipe : m_wipes) {
        if (next != sizes.end() && wipe.size == *next)
            ++next;
    }
    return next == sizes.end();
}

} // namespace container_test
