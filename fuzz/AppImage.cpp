// An AppImage whose image holds any bytes. The image is read as the helper reads it, in
// the limited child: whatever the SquashFS library does with it (it trusts much of what an
// image says), this process gets an identity within the reader's limits and goes on. The
// parsers that run in this process (the ELF header, desktop entries, AppStream ids, the
// child's answer, file names) take the same bytes directly.
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
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string file = stub() + bytes;
    writeFile(appImagePath(), reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    require(AppImageReader::hasAppImageMagic(appImagePath()));
    const AppImageIdentity identity = AppImageReader::read(appImagePath());
    require(identity.iconData.size() <= AppImageReader::kMaxIconBytes);
    require(identity.desktopFileName.empty() || identity.desktopFileName.ends_with(".desktop"));
    require(identity.desktopFileName.find('/') == std::string::npos);

    AppImageReader::imageOffset(bytes, bytes.size());
    AppImageReader::nameFromFileName(bytes);
    const std::string id = AppImageReader::appStreamIdOf(bytes);
    require(id.find('/') == std::string::npos && id.find('<') == std::string::npos);
    if (auto entry = DesktopEntry::parse(bytes)) {
        for (const char* key : {"Exec", "TryExec", "Name"}) {
            if (auto value = entry->value(key))
                DesktopEntry::programOfExec(*value);
        }
    }
    if (auto answer = AppImageIdentity::deserialized(bytes))
        require(AppImageIdentity::deserialized(answer->serialized()).has_value());
    return 0;
}
