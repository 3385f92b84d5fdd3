#include "knowledge/DataDecompressor.h"

#include "knowledge/ContainerScratchFolder.h"
#include "knowledge/ContainerZipReader.h"
#include "knowledge/KBPasswordCipher.h"

#include <cstdio>
#include <string>

namespace {

void logUnzipFailure() {
    std::fputs("SSZipArchive failed to unzip\n", stderr);
}

} // namespace

std::optional<SecureBuffer>
DataDecompressor::decompressData(std::span<const std::uint8_t> container) {
    auto unzipped = [](std::span<const std::uint8_t> zip) { return unzippedData(zip); };
    return DataChangeCommon::runStages(
        container, {unshakeZipData, unzipped, decodeData, unshakeZipData, unzipped});
}

std::optional<SecureBuffer> DataDecompressor::unshakeZipData(std::span<const std::uint8_t> data) {
    // The scrambled form is: the archive without its signature, whose first part (the
    // longer half) is stored last with its byte order reversed, preceded by the other
    // part with both its byte order and the bit order of every byte reversed.
    return DataChangeCommon::guarded([data]() -> std::optional<SecureBuffer> {
        if (data.empty())
            return std::nullopt;
        std::size_t frontSize = data.size() / 2;
        std::optional<SecureBuffer> front = dataFromData(data, {0, frontSize});
        std::optional<SecureBuffer> back = dataFromData(data, {frontSize, data.size() - frontSize});
        if (!front || !back)
            return std::nullopt;
        DataChangeCommon::revertDataAndBits(back->mutableBytes());
        DataChangeCommon::revertData(front->mutableBytes());

        SecureBuffer archive;
        archive.reserve(DataChangeCommon::kZipSignature.size() + data.size());
        archive.append(DataChangeCommon::kZipSignature);
        DataChangeCommon::appendToData(archive, {0, back->size()}, back->bytes());
        DataChangeCommon::appendToData(archive, {0, front->size()}, front->bytes());
        front->cleanse();
        back->cleanse();
        return archive;
    });
}

std::optional<SecureBuffer> DataDecompressor::unzippedData(std::span<const std::uint8_t> zip,
                                                           std::uint64_t sizeLimit) {
    return DataChangeCommon::guarded([zip, sizeLimit]() -> std::optional<SecureBuffer> {
        if (zip.empty())
            return std::nullopt;
        // The folder removes itself and whatever is left in it on every way out.
        std::shared_ptr<ContainerScratchFolder> folder =
            ContainerScratchFolder::create(DataChangeCommon::buildTempPath());
        if (!folder)
            return std::nullopt;
        const std::string archiveName = DataChangeCommon::tmpFileName();
        const std::string entryName = DataChangeCommon::innerFileName();
        if (!folder->writeFileAtomically(archiveName, zip))
            return std::nullopt;
        std::optional<SecureBuffer> contents;
        if (ContainerZipReader::endRecordIsComplete(zip) &&
            ContainerZipReader::unzipFileAtPath(folder->path() + "/" + archiveName, *folder,
                                                sizeLimit)) {
            contents = folder->readFile(entryName, sizeLimit);
            folder->removeFile(entryName);
        } else {
            logUnzipFailure();
        }
        folder->removeFile(archiveName);
        folder->removeAll();
        if (contents && contents->empty())
            return std::nullopt;
        return contents;
    });
}

std::optional<SecureBuffer> DataDecompressor::decodeData(std::span<const std::uint8_t> data) {
    return DataChangeCommon::guarded([data]() -> std::optional<SecureBuffer> {
        const auto& places = DataChangeCommon::kPasswordPlaces;
        if (data.size() < DataChangeCommon::kPasswordLength || data.size() <= places.back())
            return std::nullopt;
        SecureBuffer passwordBytes;
        passwordBytes.reserve(DataChangeCommon::kPasswordLength);
        SecureBuffer message;
        message.reserve(data.size() - DataChangeCommon::kPasswordLength);
        std::size_t start = 0;
        for (std::size_t place : places) {
            message.append(data.subspan(start, place - start));
            passwordBytes.append(data[place]);
            start = place + 1;
        }
        message.append(data.subspan(start));

        std::string password = DataChangeCommon::hexStringFromData(passwordBytes.bytes());
        ScopedCleanse wipePassword(password.data(), password.size());
        passwordBytes.cleanse();
        std::optional<SecureBuffer> plaintext =
            KBPasswordCipher::decryptData(message.bytes(), password);
        message.cleanse();
        if (!plaintext || plaintext->empty())
            return std::nullopt;
        SecureBuffer copy(plaintext->bytes());
        plaintext->cleanse();
        return copy;
    });
}

std::optional<SecureBuffer> DataDecompressor::dataFromData(std::span<const std::uint8_t> data,
                                                           ByteRange range) {
    if (!DataChangeCommon::rangeFits(range, data.size()))
        return std::nullopt;
    return DataChangeCommon::guarded([&]() -> std::optional<SecureBuffer> {
        return SecureBuffer(data.subspan(range.location, range.length));
    });
}
