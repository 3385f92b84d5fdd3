// A helper message file with any contents: loading answers a message or null, deletes
// the file either way, and a message reads as at most one command.
#include "FuzzSupport.h"
#include "shell/FileMessage.h"

#include <fcntl.h>
#include <unistd.h>

using namespace fuzz_support;

namespace {

std::string messagePath() {
    static const std::string path =
        platform::FileSystem::temporaryDirectory() + "/fuzz-" + std::to_string(getpid()) +
        ".msgforsahelp";
    return path;
}

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = messagePath();
    writeFile(path, data, size);
    auto message = FileMessage::loadFromFile(path);
    require(access(path.c_str(), F_OK) != 0);
    if (!message)
        return 0;
    require(message->type() == FileMessage::kTypeReadFromFile && message->data());
    auto paths = FileMessage::ReadExcludePaths(message.get());
    bool clear = FileMessage::ReadCancelExcludeRemovedPathsFromMessage(message.get());
    require(!(paths && clear));
    return 0;
}
