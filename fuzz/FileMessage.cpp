// A helper message file with any contents: loading answers a message or null, deletes
// the file either way, and a message reads as at most one command.
#include "shell/FileMessage.h"

#include "FuzzSupport.h"

#include <fcntl.h>
#include <unistd.h>

using namespace fuzz_support;

namespace {

std::string messagePath() {
    static const std::string path = platform::FileSystem::temporaryDirectory() + "/fuzz-" +
                                    std::to_string(getpid()) + ".msgforsahelp";
    return path;
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
