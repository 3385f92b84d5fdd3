#pragma once

#include "knowledge/DataCompressor.h"
#include "knowledge/KBXMLDocument.h"
#include "knowledge/KBXMLRule.h"
#include "knowledge/KnowledgeBaseContainerLocator.h"
#include "platform/Bundle.h"
#include "search/DepFileItem.h"
#include "search/KnowledgeBaseSimpleSearchInfo.h"
#include "search/SearchRule.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace remains_test {

// Writes a file, making its missing folders first.
inline void putFile(const std::string& path, const std::string& contents) {
    testing_support::makeDirs(path.substr(0, path.rfind('/')));
    testing_support::writeFile(path, contents);
}

// An application bundle with an information dictionary; an empty identifier or
// executable leaves that key out.
inline void makeAppBundle(const std::string& path, const std::string& identifier,
                          const std::string& executable) {
    std::string plist = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<plist version=\"1.0\"><dict>\n";
    if (!identifier.empty())
        plist += "<key>CFBundleIdentifier</key><string>" + identifier + "</string>\n";
    if (!executable.empty())
        plist += "<key>CFBundleExecutable</key><string>" + executable + "</string>\n";
    plist += "</dict></plist>\n";
    testing_support::makeDirs(path + "/Contents");
    testing_support::writeFile(path + "/Contents/Info.plist", plist);
}

} // namespace remains_test

namespace kb_test {

// The container the packer makes for `xml`.
inline std::string pack(const std::string& xml) {
    auto packed = DataCompressor::compressData(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size()));
    return packed ? std::string(packed->view()) : std::string();
}

// `text` with every "ROOT" replaced by `root`.
inline std::string withRoot(std::string text, const std::string& root) {
    for (std::size_t at = text.find("ROOT"); at != std::string::npos;
         at = text.find("ROOT", at + root.size()))
        text.replace(at, 4, root);
    return text;
}

// The main application's downloaded container, for as long as this lives.
class DownloadedContainer {
public:
    explicit DownloadedContainer(const std::string& bytes)
        : m_path(*KnowledgeBaseContainerLocator::downloadedContainerPath()) {
        remains_test::putFile(m_path, bytes);
    }
    ~DownloadedContainer() { testing_support::removeTree(m_path); }
    DownloadedContainer(const DownloadedContainer&) = delete;
    DownloadedContainer& operator=(const DownloadedContainer&) = delete;

private:
    std::string m_path;
};

// A main application in a fresh folder, with `container` as its embedded copy unless
// it is empty; answers the path of the helper's bundle inside it.
inline std::string makeMainApplication(const std::string& container) {
    const std::string app =
        testing_support::Sandbox::process().makeFolder("main") + "/Sweepwise.app";
    const std::string helper = app + "/Contents/Library/LoginItems/SweepwiseHelper.app";
    remains_test::makeAppBundle(app, "com.halvorn.Sweepwise-SIII", "Sweepwise");
    remains_test::makeAppBundle(helper, "com.halvorn.Sweepwise-SIII-Helper", "SweepwiseHelper");
    if (!container.empty())
        remains_test::putFile(app + "/Contents/Resources/auth.cer", container);
    return helper;
}

// A fresh folder inside the sandbox home's Library, where the knowledge base may point.
inline std::string libraryFolder(const std::string& hint) {
    static int counter = 0;
    const std::string folder = testing_support::Sandbox::process().home() + "/Library/" + hint +
                               "-" + std::to_string(++counter);
    testing_support::makeDirs(folder);
    return folder;
}

// A path in the sandbox home's Library.
inline std::string library(const std::string& sub) {
    return testing_support::Sandbox::process().home() + "/Library/" + sub;
}

// A removed application in a fresh folder; an empty identifier is left out.
inline std::shared_ptr<const platform::Bundle>
makeApp(const std::string& name, const std::string& identifier, const std::string& executable) {
    const std::string path = testing_support::Sandbox::process().makeFolder("app") + "/" + name;
    remains_test::makeAppBundle(path, identifier, executable);
    return platform::Bundle::create(path);
}

// The found items as "<path below base> <group>", in the order found.
inline std::vector<std::string> found(const KnowledgeBaseSimpleSearchInfo& info,
                                      const std::string& base) {
    std::vector<std::string> items;
    for (const auto& item : info.relatedDepItems()) {
        std::string path = item->getPath();
        if (path.starts_with(base + "/"))
            path = path.substr(base.size() + 1);
        items.push_back(path + " " + std::to_string(item->getGroupType()));
    }
    return items;
}

// The search rules of a document whose rules section is `rules`.
inline std::vector<std::shared_ptr<SearchRule>> rulesOf(const std::string& rules) {
    std::vector<std::shared_ptr<SearchRule>> built;
    auto document = KBXMLDocument::create("<base><rules>" + rules + "</rules></base>");
    if (document && document->rules())
        document->rules()->iterateRules(
            [&](const KBXMLRule& rule) { built.push_back(SearchRule::create(rule)); });
    return built;
}

inline std::vector<std::string> sorted(std::vector<std::string> list) {
    std::sort(list.begin(), list.end());
    return list;
}

} // namespace kb_test
