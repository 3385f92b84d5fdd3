#pragma once

#include "support/FileTestSupport.h"
#include "support/Sandbox.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <sys/stat.h>

namespace testing_support {

// A 128-byte ELF64 stub with the type-2 AppImage mark whose section-header table (one
// 64-byte entry at offset 64) ends where the image begins. It is never run: the helper
// reads it, and the tests make sure of that.
inline std::string appImageStub(bool withMark = true) {
    std::string stub(128, '\0');
    std::memcpy(stub.data(),
                "\x7f"
                "ELF\x02\x01\x01",
                7);
    if (withMark)
        std::memcpy(stub.data() + 8, "AI\x02", 3);
    const std::uint64_t tableOffset = 64;
    std::memcpy(stub.data() + 0x28, &tableOffset, 8);
    stub[0x3A] = 64; // e_shentsize
    stub[0x3C] = 1;  // e_shnum
    return stub;
}

// Files of an image: path inside the image -> contents; a value starting with "->" makes a
// symbolic link to the rest.
using ImageFiles = std::map<std::string, std::string>;

// A SquashFS image of `files` made by mksquashfs.
inline std::string squashfsImage(const ImageFiles& files) {
    const std::string folder = Sandbox::process().makeFolder("image");
    const std::string tree = folder + "/tree";
    makeDirs(tree);
    for (const auto& [path, contents] : files) {
        const std::string full = tree + "/" + path;
        makeDirs(full.substr(0, full.rfind('/')));
        if (contents.starts_with("->"))
            makeLink(contents.substr(2), full);
        else
            writeFile(full, contents);
    }
    const std::string image = folder + "/image.sqfs";
    const std::string command = "mksquashfs '" + tree + "' '" + image +
                                "' -noappend -quiet -no-progress -all-root -comp gzip >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return readFile(image);
}

// An AppImage at `path`: the stub followed by `image` (a whole image, part of one, or any
// bytes), executable as downloaded AppImages are.
inline std::string writeAppImage(const std::string& path, const std::string& image,
                                 bool withMark = true) {
    writeFile(path, appImageStub(withMark) + image);
    chmod(path.c_str(), 0755);
    return path;
}

inline std::string desktopEntry(const std::string& name, const std::string& exec,
                                const std::string& extra = {}) {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec + "\nIcon=icon\n" +
           extra;
}

inline std::string metainfo(const std::string& id) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<component type=\"desktop-application\">\n"
           "  <id>" +
           id + "</id>\n  <launchable type=\"desktop-id\">" + id +
           ".desktop</launchable>\n</component>\n";
}

// A small valid PNG (1x1), for icons.
inline std::string tinyPng() {
    static const unsigned char bytes[] = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
        0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
        0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78,
        0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0, 0x1F, 0x00, 0x05, 0x00, 0x01, 0xFF, 0x89, 0x99,
        0x3D, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// A typical application's image: its entry, its AppStream file and its icon.
inline ImageFiles typicalImage(const std::string& id, const std::string& name,
                               const std::string& exec, const std::string& extra = {}) {
    return {{id + ".desktop", desktopEntry(name, exec + " %F", extra)},
            {"usr/share/metainfo/" + id + ".appdata.xml", metainfo(id)},
            {"icon.png", tinyPng()},
            {".DirIcon", "->icon.png"},
            {"AppRun", "#!/bin/sh\nexit 0\n"}};
}

} // namespace testing_support
