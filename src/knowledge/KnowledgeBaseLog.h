#pragma once

#include <string_view>

// The knowledge base's log: one line on the standard error stream for each thing a load
// refused, so that a knowledge base that does not load always says why.
class KnowledgeBaseLog {
public:
    // Writes `line` as a warning of the knowledge component (platform::Log), in one piece,
    // so that lines of searches running at once never mix.
    static void write(std::string_view line);
    // The same, only the first time: a knowledge base that fails to load is tried again
    // by every search, and says why once.
    static void writeOnce(std::string_view line);
};
