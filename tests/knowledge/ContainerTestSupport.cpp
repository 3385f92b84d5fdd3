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
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
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

// The packer's stage that makes `layer` from the one inside it.
std::string packStage(Layer layer, const std::string& inner) {
    std::optional<SecureBuffer> packed;
    if (layer == Layer::InnerZip || layer == Layer::OuterZip)
        packed = DataCompressor::zippedData(bytes(inner));
    else if (layer == Layer::Encrypted)
        packed = DataCompressor::encodeData(bytes(inner));
    else
        packed = DataCompressor::shakeZipData(bytes(inner));
    EXPECT_TRUE(packed.has_value());
    return packed ? std::string(packed->view()) : std::string();
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
    for (const TestZipEntry& entry : entries) {
        zip_fileinfo info{};
        info.external_fa = entry.unixMode << 16;
        bool raw = entry.declaredSize.has_value();
        std::string stored = raw ? rawDeflate(entry.contents) : entry.contents;
        EXPECT_EQ(zipOpenNewFileInZip4_64(archive, entry.name.c_str(), &info, nullptr, 0, nullptr,
                                          0, nullptr, Z_DEFLATED, Z_BEST_COMPRESSION, raw ? 1 : 0,
                                          -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0,
                                          entry.unixMode ? (3ul << 8 | 20) : 0,
                                          entry.encrypted ? 1 : 0, 0),
                  ZIP_OK);
        zipWriteInFileInZip(archive, stored.data(), static_cast<unsigned>(stored.size()));
        if (raw) {
            uLong crc = crc32(0, reinterpret_cast<const Bytef*>(entry.contents.data()),
                              static_cast<uInt>(entry.contents.size()));
            zipCloseFileInZipRaw64(archive, *entry.declaredSize, crc);
        } else {
            zipCloseFileInZip(archive);
        }
    }
    EXPECT_EQ(zipClose(archive, nullptr), ZIP_OK);
    std::string zip = testing_support::readFile(path);
    testing_support::removeTree(path);
    return zip;
}

PackedLayers packLayers(const std::string& document) {
    PackedLayers layers;
    for (int layer = 0; layer <= int(Layer::Container); ++layer)
        layers.push_back(packStage(Layer(layer), layer ? layers.back() : document));
    return layers;
}

std::string wrapFrom(Layer layer, const std::string& bytesOfLayer) {
    std::string current = bytesOfLayer;
    for (int outer = int(layer) + 1; outer <= int(Layer::Container); ++outer)
        current = packStage(Layer(outer), current);
    return current;
}

std::string placePasswordBytes(const std::string& message, const std::string& passwordBytes) {
    std::string stage;
    std::size_t taken = 0;
    for (std::size_t i = 0; i < DataChangeCommon::kPasswordPlaces.size(); ++i) {
        std::size_t count = DataChangeCommon::kPasswordPlaces[i] - stage.size();
        stage += message.substr(taken, count) + passwordBytes[i];
        taken += count;
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
    return message.append(reinterpret_cast<const char*>(hmac), hmacLength);
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
        m_wipes.emplace_back(wiped.size(), std::all_of(wiped.begin(), wiped.end(),
                                                       [](std::uint8_t b) { return b == 0; }));
    });
}

WipeRecorder::~WipeRecorder() {
    SecureBuffer::setWipeObserver(nullptr);
}

bool WipeRecorder::sawInOrder(const std::vector<std::size_t>& sizes) const {
    auto next = sizes.begin();
    for (const auto& [size, zeroed] : m_wipes)
        next += next != sizes.end() && size == *next;
    return next == sizes.end();
}

bool WipeRecorder::allZeroed() const {
    return std::all_of(m_wipes.begin(), m_wipes.end(), [](const auto& w) { return w.second; });
}

} // namespace container_test
