#include "knowledge/DataDecompressor.h"

#include "knowledge/ContainerZipReader.h"
#include "knowledge/KBPasswordCipher.h"
#include "knowledge/KnowledgeBaseLog.h"
#include "platform/ContainerScratchFolder.h"
#include "platform/StandardError.h"

#include <string>

namespace {

constexpr const char* kDamaged = "not a knowledge-base container, or damaged";

void logUnzipFailure() {
    // A fixed line, kept word for word outside the component log.
    platform::StandardError::write("SSZipArchive failed to unzip\n");
}

std::string sizeText(std::uint64_t bytes) {
    return bytes % KnowledgeBaseLimits::kMiB == 0
               ? std::to_string(bytes / KnowledgeBaseLimits::kMiB) + " MiB"
               : std::to_string(bytes) + " bytes";
}

} // namespace

DataDecompressor::Opening DataDecompressor::openContainer(std::span<const std::uint8_t> container) {
    std::string failure;
    auto withReason = [&failure](auto stage) {
        return [&failure, stage](std::span<const std::uint8_t> input) {
            Opening result = stage(input);
            failure = std::move(result.failure);
            return std::move(result.document);
        };
    };
    auto unzipStage = [&withReason](std::uint64_t limit) {
        return withReason([limit](std::span<const std::uint8_t> zip) { return unzip(zip, limit); });
    };
    auto unscramble = [&failure](std::span<const std::uint8_t> data) {
        failure = data.empty() ? "nothing to unscramble" : "";
        return unshakeZipData(data);
    };
    // The outer archive holds the encrypted stage, the inner one the document; each is
    // bounded by what a document at its limit needs.
    Opening opening;
    std::size_t failed = 0;
    opening.document =
        DataChangeCommon::runStages(container,
                                    {unscramble, unzipStage(kUnpackedSizeLimit), withReason(decode),
                                     unscramble, unzipStage(kDocumentSizeLimit)},
                                    &failed);
    if (!opening.document)
        opening.failure =
            "stage " + std::to_string(failed + 1) + " of " + std::to_string(kStageNames.size()) +
            ", " + std::string(kStageNames[failed]) + ": " + (failure.empty() ? kDamaged : failure);
    return opening;
}

std::optional<SecureBuffer>
DataDecompressor::decompressData(std::span<const std::uint8_t> container) {
    return openContainer(container).document;
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
    return unzip(zip, sizeLimit).document;
}

DataDecompressor::Opening DataDecompressor::unzip(std::span<const std::uint8_t> zip,
                                                  std::uint64_t sizeLimit) {
    Opening result;
    if (zip.empty())
        return result;
    result.document = DataChangeCommon::guarded([&]() -> std::optional<SecureBuffer> {
        // The folder removes itself and whatever is left in it on every way out.
        platform::ContainerScratchFolder::Creation scratch =
            platform::ContainerScratchFolder::create();
        for (const std::string& passedOver : scratch.passedOver)
            KnowledgeBaseLog::write(passedOver);
        if (!scratch.folder) {
            result.failure = "no private folder to unpack in (" + scratch.refusal + ")";
            return std::nullopt;
        }
        platform::ContainerScratchFolder& folder = *scratch.folder;
        const std::string archiveName = DataChangeCommon::tmpFileName();
        const std::string entryName = DataChangeCommon::innerFileName();
        if (!folder.writeFileAtomically(archiveName, zip)) {
            result.failure = "cannot write in " + folder.path();
            return std::nullopt;
        }
        std::optional<SecureBuffer> contents;
        const bool complete = ContainerZipReader::endRecordIsComplete(zip);
        std::string problem;
        ContainerZipReader::Result unpacked =
            complete ? ContainerZipReader::unzipFileAtPath(folder.path() + "/" + archiveName,
                                                           folder, sizeLimit, &problem)
                     : ContainerZipReader::Result::damaged;
        if (unpacked == ContainerZipReader::Result::unpacked) {
            // The entry is used where it lies in the file's pages, which spares a copy
            // into fresh memory (the largest cost of a load after the model's). One byte
            // more is kept: the XML reader takes the last stage's buffer over and adds a
            // terminator, which then needs no second copy either.
            if (auto mapping = folder.mapFile(entryName, sizeLimit, 1)) {
                contents = SecureBuffer::takeMapping(mapping->data, mapping->size, mapping->length);
            } else {
                const bool read =
                    folder.readFile(entryName, sizeLimit, [&contents](std::size_t size) {
                        contents.emplace();
                        contents->reserve(size + 1);
                        contents->resize(size);
                        return contents->mutableBytes();
                    });
                if (!read)
                    contents.reset();
            }
            folder.removeFile(entryName);
        } else if (unpacked == ContainerZipReader::Result::tooLarge) {
            result.failure = "it unpacks to more than " + sizeText(sizeLimit);
            KnowledgeBaseLog::write("refused a container: " + result.failure);
        } else {
            result.failure = !complete
                                 ? "the archive has no complete end record (it ends at offset " +
                                       std::to_string(zip.size()) + ")"
                             : problem.empty() ? std::string("the archive is damaged")
                                               : "the archive is damaged: " + problem;
            logUnzipFailure();
        }
        folder.removeFile(archiveName);
        folder.removeAll();
        if (unpacked == ContainerZipReader::Result::unpacked && (!contents || contents->empty()))
            result.failure = "the archive holds no document";
        if (contents && contents->empty())
            return std::nullopt;
        return contents;
    });
    return result;
}

std::optional<SecureBuffer> DataDecompressor::decodeData(std::span<const std::uint8_t> data) {
    return decode(data).document;
}

DataDecompressor::Opening DataDecompressor::decode(std::span<const std::uint8_t> data) {
    Opening result;
    result.document = DataChangeCommon::guarded([&]() -> std::optional<SecureBuffer> {
        const auto& places = DataChangeCommon::kPasswordPlaces;
        if (data.size() < DataChangeCommon::kPasswordLength || data.size() <= places.back()) {
            result.failure = "the encrypted part is " + std::to_string(data.size()) +
                             " bytes, too short to hold its password";
            return std::nullopt;
        }
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
        KBCipherError error = KBCipherError::None;
        std::optional<SecureBuffer> plaintext =
            KBPasswordCipher::decryptData(message.bytes(), password, &error);
        if (!plaintext)
            result.failure = describeCipherError(error, message.bytes());
        message.cleanse();
        if (!plaintext || plaintext->empty()) {
            if (plaintext)
                result.failure = "the encrypted part holds nothing";
            return std::nullopt;
        }
        // The decryptor's buffer is new and the caller's alone: it is the copy.
        return plaintext;
    });
    return result;
}

std::optional<SecureBuffer> DataDecompressor::dataFromData(std::span<const std::uint8_t> data,
                                                           ByteRange range) {
    if (!DataChangeCommon::rangeFits(range, data.size()))
        return std::nullopt;
    return DataChangeCommon::guarded([&]() -> std::optional<SecureBuffer> {
        return SecureBuffer(data.subspan(range.location, range.length));
    });
}
