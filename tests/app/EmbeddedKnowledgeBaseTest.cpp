#include "app/BusTestSupport.h"
#include "knowledge/KnowledgeBaseData.h"
#include "platform/Bundle.h"
#include "platform/Path.h"
#include "search/DepFileItem.h"
#include "search/KnowledgeBasePathSearcher.h"
#include "search/KnowledgeBaseSimpleSearchInfo.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

std::string helperBundle() {
    // <helper bundle>/Contents/MacOS/<executable>
    std::string path = helperExecutable();
    for (int level = 0; level < 3; ++level)
        path = platform::Path::deletingLastComponent(path);
    return path;
}

std::shared_ptr<const platform::Bundle> makeApp(const std::string& name, const std::string& id,
                                                const std::string& executable) {
    const std::string path = Sandbox::process().makeFolder("app") + "/" + name;
    makeDirs(path + "/Contents");
    writeFile(path + "/Contents/Info.plist",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
              "<key>CFBundleIdentifier</key><string>" +
                  id +
                  "</string>"
                  "<key>CFBundleExecutable</key><string>" +
                  executable + "</string></dict></plist>");
    return platform::Bundle::create(path);
}

// Paths below the home folder's Library, with their groups, sorted.
std::vector<std::string> found(const KnowledgeBaseSimpleSearchInfo& info) {
    const std::string library = Sandbox::process().home() + "/Library/";
    std::vector<std::string> items;
    for (const auto& item : info.relatedDepItems()) {
        std::string path = item->getPath();
        if (path.starts_with(library))
            path = path.substr(library.size());
        items.push_back(path + " " + std::to_string(item->getGroupType()));
    }
    std::sort(items.begin(), items.end());
    return items;
}

void makeLeftovers(const std::vector<std::string>& folders, const std::vector<std::string>& files) {
    const std::string library = Sandbox::process().home() + "/Library/";
    for (const std::string& folder : folders)
        makeDirs(library + folder);
    for (const std::string& file : files) {
        makeDirs(platform::Path::deletingLastComponent(library + file));
        writeFile(library + file, "x");
    }
}

} // namespace

// The helper inside the built main application finds the knowledge base the build
// packed into it, and that knowledge base knows the demo applications.
TEST(EmbeddedKnowledgeBase, TheHelperFindsTheMainApplicationsCopy) {
    const KnowledgeBasePathSearcher searcher(helperBundle());
    const std::string mainBundle = platform::Path::deletingLastComponent(
        platform::Path::deletingLastComponent(platform::Path::deletingLastComponent(
            platform::Path::deletingLastComponent(helperBundle()))));
    const auto embedded = searcher.pathForSource(KnowledgeBasePathSearcher::Source::embedded);
    ASSERT_TRUE(embedded);
    EXPECT_EQ(*embedded, mainBundle + "/Contents/Resources/auth.cer");
    auto data = KnowledgeBaseData::createWithPath(*embedded);
    EXPECT_TRUE(data->isParsed());
    EXPECT_FALSE(data->searchRules().empty());
}

TEST(EmbeddedKnowledgeBase, FindsTheLeftoversOfTheDemoApplications) {
    makeLeftovers(
        {"Application Support/com.example.PixelPaint", "Application Support/PixelPaint Brushes",
         "Caches/PixelPaint", "Logs/PixelPaint", "Application Support/Notepad Deluxe",
         "Application Support/Example Software/Notepad Deluxe Sync", "Caches/Notepad Deluxe",
         "Caches/com.example.NotepadDeluxe", "Group Containers/group.com.example.notepaddeluxe"},
        {"Logs/PixelPaint/render.log", "Preferences/com.example.PixelPaint.plist",
         "LaunchAgents/com.example.pixelpaint.render.plist",
         "LaunchAgents/com.example.notepaddeluxe.updater.plist"});
    const KnowledgeBasePathSearcher searcher(helperBundle());

    auto pixelPaint = KnowledgeBaseSimpleSearchInfo::generateForBundle(
        makeApp("PixelPaint.app", "com.example.PixelPaint", "PixelPaint"), searcher);
    ASSERT_NE(pixelPaint, nullptr);
    EXPECT_EQ(found(*pixelPaint), (std::vector<std::string>{
                                      "Application Support/PixelPaint Brushes 3",
                                      "Application Support/com.example.PixelPaint 3",
                                      "Caches/PixelPaint 8",
                                      "LaunchAgents/com.example.pixelpaint.render.plist 14",
                                      "Logs/PixelPaint 11",
                                      "Preferences/com.example.PixelPaint.plist 10",
                                  }));

    auto notepad = KnowledgeBaseSimpleSearchInfo::generateForBundle(
        makeApp("Notepad Deluxe.app", "com.example.NotepadDeluxe", "NotepadDeluxe"), searcher);
    ASSERT_NE(notepad, nullptr);
    EXPECT_EQ(found(*notepad), (std::vector<std::string>{
                                   "Application Support/Example Software/Notepad Deluxe Sync 3",
                                   "Application Support/Notepad Deluxe 3",
                                   "Caches/Notepad Deluxe 8",
                                   "Caches/com.example.NotepadDeluxe 8",
                                   "Group Containers/group.com.example.notepaddeluxe 9",
                                   "LaunchAgents/com.example.notepaddeluxe.updater.plist 14",
                               }));
}
