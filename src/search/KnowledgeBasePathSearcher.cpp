#include "search/KnowledgeBasePathSearcher.h"

#include "knowledge/KnowledgeBaseContainerLocator.h"

#include <iostream>

std::optional<std::string> KnowledgeBasePathSearcher::pathForSource(Source source) const {
    switch (source) {
    case Source::downloaded:
        return KnowledgeBaseContainerLocator::downloadedContainerPath();
    case Source::embedded:
        return KnowledgeBaseContainerLocator::embeddedContainerPath(m_helperBundlePath);
    }
    return std::nullopt;
}

void KnowledgeBasePathSearcher::printPaths() {
    KnowledgeBasePathSearcher().printPaths(std::cout);
}

void KnowledgeBasePathSearcher::printPaths(std::ostream& out) const {
    out << "Downloaded:\n" << pathForSource(Source::downloaded).value_or("(none)") << "\n";
    out << "Embedded:\n" << pathForSource(Source::embedded).value_or("(none)") << "\n";
    out.flush();
}
