#include "platform/FileSystem.h"

#include "platform/Environment.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

namespace platform {

namespace {

// Folder extensions of the bundle types the platform shows as single documents:
// code bundles of every kind and the document packages of its own applications.
// Kept sorted for the binary search.
constexpr std::array<std::string_view, 34> kPackageExtensions{
    "action",       "app",
    "appex",        "bundle",
    "colorpicker",  "component",
    "dext",         "docset",
    "framework",    "ideplugin",
    "kext",         "mailbundle",
    "mdimporter",   "mpkg",
    "osax",         "photoslibrary",
    "pkg",          "playground",
    "plugin",       "prefpane",
    "qlgenerator",  "rtfd",
    "saver",        "scptd",
    "sparsebundle", "systemextension",
    "vst",          "vst3",
    "wdgt",         "webplugin",
    "workflow",     "xcodeproj",
    "xcworkspace",  "xpc",
};
static_assert(std::is_sorted(kPackageExtensions.begin(), kPackageExtensions.end()));

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Unicode case folding, so that for example a Kelvin sign folds to "k" as the
// platform's own comparison does. None for text that is not valid UTF-8.
std::optional<std::string> foldCase(std::string_view text) {
    if (isAscii(text)) {
        std::string folded(text);
        for (char& c : folded) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return folded;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::u16string wide(text.size() + 1, u'\0');
    int32_t wideLength = 0;
    u_strFromUTF8(wide.data(), static_cast<int32_t>(wide.size()), &wideLength, text.data(),
                  static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    // Full folding can make a text up to three times longer ("ß" becomes "ss").
    std::u16string folded(static_cast<std::size_t>(wideLength) * 3 + 1, u'\0');
    int32_t foldedLength = u_strFoldCase(folded.data(), static_cast<int32_t>(folded.size()),
                                         wide.data(), wideLength, U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    std::string result(static_cast<std::size_t>(foldedLength) * 3 + 1, '\0');
    int32_t resultLength = 0;
    u_strToUTF8(result.data(), static_cast<int32_t>(result.size()), &resultLength, folded.data(),
                foldedLength, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    result.resize(static_cast<std::size_t>(resultLength));
    return result;
}

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace

bool FileSystem::isPackageExtension(std::string_view extension) {
    if (extension.empty() || extension.size() > 64)
        return false;
    std::optional<std::string> folded = foldCase(extension);
    return folded && std::binary_search(kPackageExtensions.begin(), kPackageExtensions.end(),
                                        std::string_view(*folded));
}

bool FileSystem::isFilePackage(const std::string& path) {
    return resourceValues(path).isPackage.value_or(false);
}

bool FileSystem::isApplication(const std::string& path) {
    return resourceValues(path).isApplication.value_or(false);
}

std::string FileSystem::temporaryDirectory() {
    return temporaryDirectoryCandidates().front();
}

std::vector<std::string> FileSystem::temporaryDirectoryCandidates() {
    std::vector<std::string> candidates;
    for (std::string folder :
         {variable("TMPDIR"), variable("XDG_RUNTIME_DIR"), std::string("/tmp")}) {
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        if (!folder.empty() &&
            std::find(candidates.begin(), candidates.end(), folder) == candidates.end())
            candidates.push_back(std::move(folder));
    }
    return candidates;
}

std::optional<std::string> FileSystem::userApplicationSupportDirectory() {
    std::string home = Environment::homeDirectory();
    if (home.empty())
        return std::nullopt;
    if (home.back() != '/')
        home += '/';
    return home + "Library/Application Support";
}

} // namespace platform
