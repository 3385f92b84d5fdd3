#include "shell/SystemElementsReadableDescription.h"

#include <string_view>

namespace {

std::string replacingAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// ASCII is enough: the word for the Trash is one of the system's fixed names.
std::string asciiLowercase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

} // namespace

std::string SystemElementsReadableDescription::adaptingTrashName(const std::string& text) {
    // Systems from 10.15 on say "Bin"; ours has no system version, which counts as the
    // newest system.
    return adaptingTrashName(text, "Bin");
}

std::string SystemElementsReadableDescription::adaptingTrashName(const std::string& text,
                                                                 const std::string& trashName) {
    if (trashName == "Trash")
        return text;
    return replacingAll(replacingAll(text, "Trash", trashName), "trash", asciiLowercase(trashName));
}
