#include "search/KnowledgeBasePathSearcher.h"

#include "knowledge/KnowledgeBaseContainerLocator.h"

#include <iostream>

std::optional<std::string> KnowledgeBasePathSearcher::pathForSource(Source source) const {
    switch (source) {
    case Source::downloaded:
        return KnowledgeBaseContainerLocator::downloadedContainerPath();
    case Source::embedded:
        if (m_mainAppPath)
            return m_mainAppPath->empty()
                       ? std::nullopt
                       : KnowledgeBaseContainerLocator::embeddedContainerPathOfMainApplication(
                             *m_mainAppPath);
        return KnowledgeBaseContainerLocator::embeddedContainerPath(m_helperBundlePath);
    }
    return std::nullopt;
}

KnowledgeBasePathSearcher
KnowledgeBasePathSearcher::forMainApplication(std::optional<std::string> mainAppPath) {
    KnowledgeBasePathSearcher searcher;
    searcher.m_mainAppPath = mainAppPath.value_or(std::string());
    return searcher;
}

KnowledgeBasePathSearcher KnowledgeBasePathSearcher::forRunningProgram() {
    return forMainApplication(KnowledgeBaseContainerLocator::mainApplicationForProgram());
}

void KnowledgeBasePathSearcher::printPaths() {
    KnowledgeBasePathSearcher().printPaths(std::cout);
}

void KnowledgeBasePathSearcher::printPaths(std::ostream& out) const {
    out << "Downloaded:\n" << pathForSource(Source::downloaded).value_or("(none)") << "\n";
    out << "Embedded:\n" << pathForSource(Source::embedded).value_or("(none)") << "\n";
    out.flush();
}
