// A bundle whose Info.plist holds any bytes: the bundle is always created, its
// information dictionary is a dictionary, and the executable it names never lies
// outside Contents/MacOS.
#include "FuzzSupport.h"
#include "platform/Bundle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace fuzz_support;

namespace {

const std::string& bundlePath() {
    static const std::string path = [] {
        std::string bundle = platform::FileSystem::temporaryDirectory() + "/fuzz-" +
                             std::to_string(getpid()) + ".app";
        mkdir(bundle.c_str(), 0700);
        mkdir((bundle + "/Contents").c_str(), 0700);
        mkdir((bundle + "/Contents/MacOS").c_str(), 0700);
        mkdir((bundle + "/Contents/Resources").c_str(), 0700);
        // Names an input may well guess.
        for (const char* file : {"/Contents/MacOS/Foo", "/Contents/Resources/Foo.icns"})
            close(open((bundle + file).c_str(), O_WRONLY | O_CREAT, 0600));
        return bundle;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    writeFile(bundlePath() + "/Contents/Info.plist", data, size);
    auto bundle = platform::Bundle::create(bundlePath());
    require(bundle != nullptr);
    require(bundle->infoDictionary().asDictionary() != nullptr);
    bundle->bundleIdentifier();
    if (auto executable = bundle->executablePath()) {
        const std::string folder = bundlePath() + "/Contents/MacOS/";
        require(executable->starts_with(folder));
        std::string name = executable->substr(folder.size());
        require(name.find('/') == std::string::npos && name != "." && name != "..");
    }
    for (const char* key : {"CFBundleIconFile", "CFBundleName", "CFBundleShortVersionString"}) {
        const platform::PlistValue* value = bundle->objectForInfoDictionaryKey(key);
        if (const std::string* text = value ? value->asString() : nullptr)
            bundle->pathForResource(*text, "icns");
    }
    return 0;
}
