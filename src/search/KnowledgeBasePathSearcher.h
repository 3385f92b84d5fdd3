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

    // The containers of the main application at `mainAppPath` (none: no embedded copy).
    static KnowledgeBasePathSearcher forMainApplication(std::optional<std::string> mainAppPath);
    // The containers the helper would use, for a program that shows what the helper
    // would do: the main application is found from the running program, also when it
    // is a tool of the build tree (KnowledgeBaseContainerLocator::mainApplicationForProgram).
    static KnowledgeBasePathSearcher forRunningProgram();

    // The downloaded copy's path whether or not the file exists; the embedded copy's
    // only when it exists.
    std::optional<std::string> pathForSource(Source source) const;

    // Both paths, each after a label line "Downloaded:" or "Embedded:", for diagnosis.
    static void printPaths();
    void printPaths(std::ostream& out) const;

private:
    std::string m_helperBundlePath;
    // Set by forMainApplication: the main application itself, or empty for none.
    std::optional<std::string> m_mainAppPath;
};
