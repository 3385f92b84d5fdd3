#pragma once

#include <string>

// The word that user-visible texts use for the Trash: "Bin" from macOS 10.15 on.
class SystemElementsReadableDescription {
public:
    static std::string trashDefaultName() { return "Trash"; }
    static const std::string& trashName();

    static std::string adaptingTrashName(const std::string& text);
    // The same with an explicit word for the Trash.
    static std::string adaptingTrashName(const std::string& text, const std::string& trashName);
};
