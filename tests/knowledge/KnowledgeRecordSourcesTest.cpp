#include "knowledge/DomainIdentifier.h"
#include "knowledge/KBXMLDocument.h"
#include "knowledge/KnowledgeBaseData.h"
#include "knowledge/KnowledgeRecord.h"
#include "knowledge/LeftoverPlaces.h"
#include "shell/PathsGenerator.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

// The records of real applications under resources/knowledge/domains, read the way the
// shipped knowledge base reads them. A slip in one of these files does not fail anywhere
// else: an unknown group name silently drops its files, a second record of the same
// identifier or path hands a file to the wrong application, and a path outside the
// user's Library could offer what is not the application's.

namespace {

namespace fs = std::filesystem;

struct SourceFile {
    std::string name;
    std::string text;
};

std::vector<SourceFile> sourceFiles() {
    std::vector<SourceFile> files;
    const fs::path folder = fs::path(SWEEPWISE_SOURCE_DIR) / "resources/knowledge/domains";
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".xml")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        files.push_back({entry.path().filename().string(), text.str()});
    }
    std::sort(files.begin(), files.end(),
              [](const SourceFile& a, const SourceFile& b) { return a.name < b.name; });
    return files;
}

// A file's `domains` element inside the document root, as the build assembles it.
std::shared_ptr<KBXMLDocument> documentOf(const SourceFile& file) {
    const auto start = file.text.find("<domains>");
    if (start == std::string::npos)
        return nullptr;
    return KBXMLDocument::create("<base>" + file.text.substr(start) + "</base>");
}

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

struct Domain {
    std::string identifier;
    std::optional<bool> separateApp;
    std::string parent;
    std::vector<std::string> paths;
    std::size_t groups{0};
    std::size_t unknownGroups{0};
};

std::vector<Domain> domainsOf(KBXMLDocument& document) {
    std::vector<Domain> result;
    const KBXMLDomains* section = document.domains();
    if (!section)
        return result;
    section->iterateDomains([&result](const KBXMLDomain& element) {
        Domain domain;
        if (auto identifier = element.domain())
            domain.identifier = identifier->uniqueIdentifier();
        if (auto parent = element.parentDomain())
            domain.parent = parent->uniqueIdentifier();
        domain.separateApp = element.isSeparateApp();
        element.iterateGroups([&domain](const KBXMLFileGroup& group) {
            ++domain.groups;
            if (group.dependencyType() < 0)
                ++domain.unknownGroups;
            group.iterateFiles([&domain](const KBXMLFile& file) {
                domain.paths.push_back(file.path().value_or(""));
            });
        });
        result.push_back(std::move(domain));
    });
    return result;
}

// Every file reads whole, with known group names, and its paths name one place inside the
// places where leftovers lie (the user's Library, the base-directory folders, ~/.var/app).
TEST(KnowledgeRecordSourcesTest, EveryFileReadsWholeWithKnownGroupsAndPathsInTheirPlaces) {
    const auto files = sourceFiles();
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        auto document = documentOf(file);
        ASSERT_NE(document, nullptr);
        const auto domains = domainsOf(*document);
        // Nothing is skipped: every `d`, `g` and `f` written is one the reader keeps.
        EXPECT_EQ(domains.size(), occurrences(file.text, "<d "));
        std::size_t groups = 0, paths = 0;
        for (const auto& domain : domains) {
            SCOPED_TRACE(domain.identifier);
            EXPECT_FALSE(domain.identifier.empty());
            EXPECT_TRUE(domain.separateApp.has_value());
            EXPECT_EQ(domain.unknownGroups, 0u);
            EXPECT_FALSE(domain.paths.empty());
            groups += domain.groups;
            paths += domain.paths.size();
            for (const auto& path : domain.paths) {
                SCOPED_TRACE(path);
                const auto placed = LeftoverPlaces::placeWritten(path);
                ASSERT_TRUE(placed);
                EXPECT_FALSE(placed->rest.empty());
                EXPECT_NE(path.back(), '/');
                EXPECT_EQ(path.find("//"), std::string::npos);
                EXPECT_EQ(path.find("/../"), std::string::npos);
                EXPECT_FALSE(path.size() >= 3 && path.compare(path.size() - 3, 3, "/..") == 0);
                EXPECT_EQ(path.find("/./"), std::string::npos);
                // Patterns are not expanded and entities are not decoded: such a path
                // would never match the file it means.
                EXPECT_EQ(path.find_first_of("*?[]&<>"), std::string::npos);
            }
        }
        EXPECT_EQ(groups, occurrences(file.text, "<g "));
        EXPECT_EQ(paths, occurrences(file.text, "<f>"));
    }
}

TEST(KnowledgeRecordSourcesTest, NoIdentifierOrPathIsClaimedTwiceAndChildrenHaveTheirParent) {
    std::map<std::string, std::string> identifiers; // unique identifier -> file
    // Paths compared ignoring case, as the platform's file system does by default.
    std::map<std::string, std::string> paths; // lower-case path -> unique identifier
    std::set<std::string> applications;
    std::vector<std::pair<std::string, std::string>> children; // child, parent
    for (const auto& file : sourceFiles()) {
        auto document = documentOf(file);
        ASSERT_NE(document, nullptr) << file.name;
        for (const auto& domain : domainsOf(*document)) {
            const auto [where, added] = identifiers.emplace(domain.identifier, file.name);
            EXPECT_TRUE(added) << domain.identifier << " in " << file.name << " and "
                               << where->second;
            if (domain.separateApp.value_or(false)) {
                applications.insert(domain.identifier);
                EXPECT_TRUE(domain.parent.empty()) << domain.identifier;
            } else {
                children.emplace_back(domain.identifier, domain.parent);
            }
            for (const auto& path : domain.paths) {
                std::string folded = path;
                std::transform(folded.begin(), folded.end(), folded.begin(),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
                const auto [owner, fresh] = paths.emplace(folded, domain.identifier);
                EXPECT_TRUE(fresh)
                    << path << " for " << domain.identifier << " and " << owner->second;
            }
        }
    }
    for (const auto& [child, parent] : children)
        EXPECT_TRUE(applications.count(parent)) << child << " names the parent " << parent;
    EXPECT_GE(applications.size(), 150u);
}

TEST(KnowledgeRecordSourcesTest, TheLoadedKnowledgeBaseFilesEveryPathUnderItsOwnDomain) {
    // All files in one document, as the build assembles them, through the model the
    // search uses: each listed path comes back as exactly one record, of its domain.
    std::string body = "<base><domains>";
    std::vector<std::pair<std::string, std::string>> expected; // path, unique identifier
    for (const auto& file : sourceFiles()) {
        auto document = documentOf(file);
        ASSERT_NE(document, nullptr) << file.name;
        for (const auto& domain : domainsOf(*document))
            for (const auto& path : domain.paths)
                expected.emplace_back(path, domain.identifier);
        const auto start = file.text.find("<domains>") + std::string("<domains>").size();
        body += file.text.substr(start, file.text.rfind("</domains>") - start);
    }
    body += "</domains></base>";
    SecureBuffer xml{std::string_view(body)};
    auto data = KnowledgeBaseData::createWithXMLData(xml);
    ASSERT_TRUE(data && data->isParsed());

    const std::string home = PathsGenerator::GetInstance().getHomeDirectory();
    for (const auto& [path, identifier] : expected) {
        const std::string full = home + path.substr(1);
        std::vector<std::string> owners;
        for (auto record = data->recordsByFileNames().head(full.substr(full.rfind('/') + 1));
             record; record = record->nextRecord())
            if (record->path() == full)
                owners.push_back(record->domainIdentifier()->uniqueIdentifier());
        EXPECT_EQ(owners, std::vector<std::string>{identifier}) << path;
    }
}

TEST(KnowledgeRecordSourcesTest, EveryApplicationNamesItsSource) {
    for (const auto& file : sourceFiles()) {
        // The comment line right before each application's record says where its facts
        // come from: the public uninstall list or the vendor's page it was written from.
        std::istringstream lines(file.text);
        std::string previous, line;
        while (std::getline(lines, line)) {
            if (line.find("separateApp=\"yes\"") != std::string::npos) {
                SCOPED_TRACE(file.name + ": " + line);
                EXPECT_NE(previous.find("<!-- "), std::string::npos);
                const bool named =
                    previous.find("Homebrew/homebrew-cask Casks/") != std::string::npos ||
                    previous.find("https://") != std::string::npos;
                EXPECT_TRUE(named);
            }
            previous = line;
        }
    }
}

} // namespace
