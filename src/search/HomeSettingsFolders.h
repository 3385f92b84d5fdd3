#pragma once

#include "search/OfferReason.h"

#include <string>
#include <vector>

// Settings that cross-platform applications keep outside the Library, in the home
// folder: "~/.config/<name>" (the settings folder where $XDG_CONFIG_HOME puts it, the one
// Linux applications' places use too) and "~/.<name>", named exactly after the
// application (any case): its executable, CFBundleName, CFBundleDisplayName or folder
// name.
//
// The places are looked up by listing the two folders once; what is found still goes
// through the safety pass like every other candidate (the folders themselves, and
// "~/.ssh", "~/.Trash" and the like, are never offered).
class HomeSettingsFolders {
public:
    struct Candidate {
        std::string path;
        OfferReason reason;
    };

    // `names`: the executable first (it may be empty), then the further names.
    static std::vector<Candidate> find(const std::string& home,
                                       const std::vector<std::string>& names);
};
