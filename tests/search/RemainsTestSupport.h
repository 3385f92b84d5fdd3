#pragma once

#include "support/Sandbox.h"

#include <string>

namespace remains_test {

// Writes a file, making its missing folders first.
inline void putFile(const std::string& path, const std::string& contents) {
    testing_support::makeDirs(path.substr(0, path.rfind('/')));
    testing_support::writeFile(path, contents);
}

// An application bundle with an information dictionary; an empty identifier or
// executable leaves that key out.
inline void makeAppBundle(const std::string& path, const std::string& identifier,
                          const std::string& executable) {
    std::string plist = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<plist version=\"1.0\"><dict>\n";
    if (!identifier.empty())
        plist += "<key>CFBundleIdentifier</key><string>" + identifier + "</string>\n";
    if (!executable.empty())
        plist += "<key>CFBundleExecutable</key><string>" + executable + "</string>\n";
    plist += "</dict></plist>\n";
    testing_support::makeDirs(path + "/Contents");
    testing_support::writeFile(path + "/Contents/Info.plist", plist);
}

} // namespace remains_test
