#pragma once

#include "shell/ApplicationKind.h"

#include <string>
#include <vector>

// The kinds of application besides bundle folders that the helper knows.
class ApplicationKinds {
public:
    static const std::vector<const ApplicationKind*>& all();
    // The kind of an application of another kind; null for a bundle folder.
    static const ApplicationKind* of(const platform::Bundle& application);
    // The kind whose cheap test `path` passes; null when none.
    static const ApplicationKind* mayBeApplicationAt(const std::string& path);
};
