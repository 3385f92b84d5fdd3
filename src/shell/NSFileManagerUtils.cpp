#include "shell/NSFileManagerUtils.h"

#include "platform/FileSystem.h"
#include "platform/Mutex.h"
#include "platform/Path.h"
#include "shell/PathsGenerator.h"

#include <random>

namespace {

constexpr const char* kAlphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

platform::Mutex gTrashMutex;
std::optional<std::string> gTrashPath GUARDED_BY(gTrashMutex);

} // namespace

bool NSFileManagerUtils::fileExistsWithoutTraversingSymbolicLinkAtPath(const std::string& path,
                                                                       bool* isDirectory) {
    if (isDirectory)
        *isDirectory = false;
    if (path.empty())
        return false;
    if (platform::FileSystem::fileExists(path, isDirectory))
        return true;
    if (isDirectory)
        *isDirectory = false;
    return platform::FileSystem::isSymbolicLink(path);
}

bool NSFileManagerUtils::isFileAtPathSymbolicLink(const std::string& path) {
    return !path.empty() && platform::FileSystem::isSymbolicLink(path);
}

std::optional<std::string> NSFileManagerUtils::getTrashPath() {
    {
        platform::MutexLock lock(gTrashMutex);
        if (gTrashPath)
            return gTrashPath;
    }
    // Made and checked without the lock; when two threads race, both find or make the same
    // folder.
    std::string trash = PathsGenerator::GetInstance().buildTrashDirectory();
    bool isDirectory = false;
    // A Trash is made the way the file managers make it: private, with its "info" folder
    // beside "files".
    if (!platform::FileSystem::fileExists(trash, &isDirectory)) {
        platform::FileSystem::createDirectory(trash, true, 0700);
        platform::FileSystem::createDirectory(
            platform::Path::appending(platform::Path::deletingLastComponent(trash), "info"), true,
            0700);
    }
    if (!platform::FileSystem::fileExists(trash, &isDirectory) || !isDirectory)
        return std::nullopt;
    platform::MutexLock lock(gTrashMutex);
    gTrashPath = trash + "/";
    return gTrashPath;
}

bool NSFileManagerUtils::isFileInTrash(const std::string& path) {
    if (path.empty())
        return false;
    std::optional<std::string> trash = getTrashPath();
    return trash && path.starts_with(*trash);
}

bool NSFileManagerUtils::isFileLocked(const std::string& path) {
    auto attributes = platform::FileSystem::attributesOfItem(path);
    return attributes && attributes->immutable;
}

std::string NSFileManagerUtils::randomStringWithLength(std::size_t length) {
    return randomStringWithLength(length, kAlphabet);
}

std::string NSFileManagerUtils::randomStringWithLength(std::size_t length,
                                                       const std::string& alphabet) {
    if (alphabet.empty())
        return {};
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string result;
    result.reserve(length);
    for (std::size_t i = 0; i < length; ++i)
        result += alphabet[pick(generator)];
    return result;
}

std::string NSFileManagerUtils::getTempFilePathWithExt(const std::string& extension) {
    std::string folder = platform::FileSystem::temporaryDirectory();
    if (folder.empty())
        folder = "/tmp";
    for (std::size_t length = 10;; ++length) {
        std::string name = randomStringWithLength(length);
        if (!extension.empty())
            name += "." + extension;
        std::string path = platform::Path::appending(folder, name);
        if (!fileExistsWithoutTraversingSymbolicLinkAtPath(path))
            return path;
    }
}

std::string NSFileManagerUtils::getTempFolderPath() {
    std::string path = getTempFilePathWithExt();
    platform::FileSystem::createDirectory(path, true, 0700);
    return path;
}
