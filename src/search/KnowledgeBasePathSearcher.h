#pragma once

#include <iosfwd>
#include <optional>
#include <string>

// Where a knowledge-base search looks for the container, in the order it tries them:
// the copy the main application downloaded, then the copy shipped in its bundle.
class KnowledgeBasePathSearcher {
public:
    enum class Source { downloaded, embedded };

    // `helperBundlePath` is the helper's bundle, inside the main application's bundle;
    // empty means the running program's bundle.
    explicit KnowledgeBasePathSearcher(std::string helperBundlePath = {})
        : m_helperBundlePath(std::move(helperBundlePath)) {}

    // The downloaded copy's path whether or not the file exists; the embedded copy's
    // only when it exists.
    std::optional<std::string> pathForSource(Source source) const;

    // Both paths, each after a label line "Downloaded:" or "Embedded:", for diagnosis.
    static void printPaths();
    void printPaths(std::ostream& out) const;

private:
    std::string m_helperBundlePath;
};
