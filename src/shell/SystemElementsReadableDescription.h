#pragma once

#include <string>

// The word that user-visible texts use for the Trash.
class SystemElementsReadableDescription {
public:
    // The text with the running system's word for the Trash.
    static std::string adaptingTrashName(const std::string& text);

    // Every "Trash" becomes `trashName` and then every "trash" its lower case, unless
    // `trashName` is "Trash" itself. Matching is exact and ignores word boundaries.
    static std::string adaptingTrashName(const std::string& text, const std::string& trashName);
};
