#pragma once

#include <string>

class MacOSVersion;

// The word that user-visible texts use for the Trash: "Bin" from macOS 10.15 on, and
// "Trash" everywhere else, as Linux desktops call it.
class SystemElementsReadableDescription {
public:
    static std::string trashDefaultName() { return "Trash"; }
    static const std::string& trashName();
    // The word on a system of the given version; an unknown version is not macOS.
    static std::string trashNameFor(const MacOSVersion& system);

    static std::string adaptingTrashName(const std::string& text);
    // The same with an explicit word for the Trash.
    static std::string adaptingTrashName(const std::string& text, const std::string& trashName);
};
