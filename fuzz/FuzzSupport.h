#pragma once

// Helpers shared by the fuzz targets. Targets run one input after another in one
// process, so whatever an input leaves on disk is a finding of its own.
#include "platform/ContainerScratchFolder.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <span>
#include <string>
#include <unistd.h>

namespace fuzz_support {

inline void require(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Puts the input into a file, whole, replacing what was there.
inline void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    require(fd >= 0);
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        require(written > 0);
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    close(fd);
}

inline std::span<const std::uint8_t> bytes(const std::uint8_t* data, std::size_t size) {
    return {data, size};
}

// Whether the folder holds nothing (a missing folder counts as empty).
inline bool folderIsEmpty(const std::string& path) {
    DIR* folder = opendir(path.c_str());
    if (!folder)
        return true;
    bool empty = true;
    while (dirent* entry = readdir(folder)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            empty = false;
            break;
        }
    }
    closedir(folder);
    return empty;
}

// The container's scratch folders must all be gone once a stage has answered.
inline void requireNoScratchFoldersLeft() {
    require(folderIsEmpty(platform::ContainerScratchFolder::privateFolderPath()));
}

} // namespace fuzz_support
