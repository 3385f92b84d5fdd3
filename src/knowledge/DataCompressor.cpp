#include "knowledge/DataCompressor.h"

#include "knowledge/ContainerZipWriter.h"
#include "knowledge/DataChangeCommon.h"

#include <algorithm>
#include <array>
#include <openssl/rand.h>
#include <string>

std::optional<SecureBuffer> DataCompressor::compressData(std::span<const std::uint8_t> document) {
    if (document.empty())
        return std::nullopt;
    return DataChangeCommon::runStages(
        document, {zippedData, shakeZipData, [](auto plaintext) { return encodeData(plaintext); },
                   zippedData, shakeZipData});
}

std::optional<SecureBuffer> DataCompressor::zippedData(std::span<const std::uint8_t> contents) {
    return DataChangeCommon::guarded([contents]() {
        return ContainerZipWriter::archiveEntry(DataChangeCommon::innerFileName(), contents);
    });
}

std::optional<SecureBuffer> DataCompressor::shakeZipData(std::span<const std::uint8_t> zip) {
    // The inverse of DataDecompressor::unshakeZipData: of the archive's body (after the
    // signature), the first n - n/2 bytes are the bit- and byte-reversed back part of
    // the scrambled form, the remaining n/2 bytes its byte-reversed front part.
    return DataChangeCommon::guarded([zip]() -> std::optional<SecureBuffer> {
        const auto& signature = DataChangeCommon::kZipSignature;
        if (zip.size() < signature.size() ||
            !std::equal(signature.begin(), signature.end(), zip.begin()))
            return std::nullopt;
        std::span<const std::uint8_t> body = zip.subspan(signature.size());
        std::size_t frontSize = body.size() / 2;
        std::size_t backSize = body.size() - frontSize;
        SecureBuffer back(body.first(backSize));
        DataChangeCommon::revertDataAndBits(back.mutableBytes());
        SecureBuffer front(body.subspan(backSize));
        DataChangeCommon::revertData(front.mutableBytes());

        SecureBuffer scrambled;
        scrambled.reserve(body.size());
        scrambled.append(front.bytes());
        scrambled.append(back.bytes());
        front.cleanse();
        back.cleanse();
        return scrambled;
    });
}

std::optional<SecureBuffer> DataCompressor::encodeData(std::span<const std::uint8_t> plaintext) {
    std::array<std::uint8_t, DataChangeCommon::kPasswordLength> passwordBytes{};
    ScopedCleanse wipePasswordBytes(passwordBytes.data(), passwordBytes.size());
    std::optional<KBCipherSalts> salts = KBCipherSalts::random();
    if (!salts || RAND_bytes(passwordBytes.data(), static_cast<int>(passwordBytes.size())) != 1)
        return std::nullopt;
    return encodeData(plaintext, passwordBytes, *salts);
}

std::optional<SecureBuffer>
DataCompressor::encodeData(std::span<const std::uint8_t> plaintext,
                           std::span<const std::uint8_t, 16> passwordBytes,
                           const KBCipherSalts& salts) {
    return DataChangeCommon::guarded([&]() -> std::optional<SecureBuffer> {
        if (plaintext.empty())
            return std::nullopt;
        std::string password = DataChangeCommon::hexStringFromData(passwordBytes);
        ScopedCleanse wipePassword(password.data(), password.size());
        std::optional<SecureBuffer> message =
            KBPasswordCipher::encryptData(plaintext, password, salts);
        if (!message)
            return std::nullopt;

        // The password bytes go to their places; the message fills the rest in order.
        SecureBuffer stage;
        stage.reserve(message->size() + passwordBytes.size());
        std::size_t taken = 0;
        for (std::size_t i = 0; i < passwordBytes.size(); ++i) {
            std::size_t place = DataChangeCommon::kPasswordPlaces[i];
            std::size_t count = place - stage.size();
            if (!DataChangeCommon::appendToData(stage, {taken, count}, message->bytes()))
                return std::nullopt;
            taken += count;
            stage.append(passwordBytes[i]);
        }
        DataChangeCommon::appendToData(stage, {taken, message->size() - taken}, message->bytes());
        message->cleanse();
        return stage;
    });
}
