#pragma once

#include "shell/ApplicationKind.h"

#include <optional>
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
    // The name people know an application of another kind by (its CFBundleName, from its
    // own metadata), where a bundle is called by its executable; none for a bundle folder
    // or when the name is empty.
    static std::optional<std::string> displayNameOf(const platform::Bundle& application);
};
