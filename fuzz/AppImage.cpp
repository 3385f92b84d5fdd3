// An AppImage whose image holds any bytes: the reader answers in this process without
// crashing, within its limits, and the desktop entry reader takes any text.
#include "FuzzSupport.h"
#include "shell/AppImageReader.h"
#include "shell/DesktopEntry.h"

#include <cstring>
#include <unistd.h>

using namespace fuzz_support;

namespace {

// The ELF stub of a type-2 AppImage whose image starts at byte 128.
std::string stub() {
    std::string bytes(128, '\0');
    std::memcpy(bytes.data(),
                "\x7f"
                "ELF\x02\x01\x01",
                7);
    std::memcpy(bytes.data() + 8, "AI\x02", 3);
    bytes[0x28] = 64;
    bytes[0x3A] = 64;
    bytes[0x3C] = 1;
    return bytes;
}

const std::string& appImagePath() {
    static const std::string path = platform::FileSystem::temporaryDirectory() + "/fuzz-" +
                                    std::to_string(getpid()) + ".AppImage";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string image(reinterpret_cast<const char*>(data), size);
    const std::string file = stub() + image;
    writeFile(appImagePath(), reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    const AppImageIdentity identity = AppImageReader::readInProcess(appImagePath());
    require(identity.iconData.size() <= AppImageReader::kMaxIconBytes);
    require(identity.desktopFileName.empty() || identity.desktopFileName.ends_with(".desktop"));
    require(identity.desktopFileName.find('/') == std::string::npos);
    const auto back = AppImageIdentity::deserialized(identity.serialized());
    require(back && back->name == identity.name && back->iconData == identity.iconData);
    AppImageReader::nameFromFileName(image);
    if (auto entry = DesktopEntry::parse(image)) {
        for (const char* key : {"Exec", "TryExec", "Name"}) {
            if (auto value = entry->value(key))
                DesktopEntry::programOfExec(*value);
        }
    }
    return 0;
}
