#include "app/BusTestSupport.h"
#include "platform/Path.h"
#include "search/KnowledgeBasePathSearcher.h"
#include "search/KnowledgeBaseTestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace kb_test;
using platform::Path;

// The helper inside the built main application finds the knowledge base that the
// build packed into the main application, and it knows the demo applications.
TEST(EmbeddedKnowledgeBase, TheBuiltHelperFindsTheDemoApplicationsLeftovers) {
    // <helper>/Contents/MacOS/<executable>
    std::string helper = testing_support::helperExecutable();
    for (int level = 0; level < 3; ++level)
        helper = Path::deletingLastComponent(helper);
    const std::string main = Path::deletingLastComponent(Path::deletingLastComponent(
        Path::deletingLastComponent(Path::deletingLastComponent(helper))));
    const KnowledgeBasePathSearcher searcher(helper);
    EXPECT_EQ(searcher.pathForSource(KnowledgeBasePathSearcher::Source::embedded),
              main + "/Contents/Resources/auth.cer");

    const std::string library = testing_support::Sandbox::process().home() + "/Library";
    for (const char* folder :
         {"Application Support/com.example.PixelPaint", "Application Support/PixelPaint Brushes",
          "Caches/PixelPaint", "Logs/PixelPaint", "Application Support/Notepad Deluxe",
          "Application Support/Example Software/Notepad Deluxe Sync", "Caches/Notepad Deluxe",
          "Caches/com.example.NotepadDeluxe", "Group Containers/group.com.example.notepaddeluxe"})
        testing_support::makeDirs(library + "/" + folder);
    for (const char* file :
         {"Logs/PixelPaint/render.log", "Preferences/com.example.PixelPaint.plist",
          "LaunchAgents/com.example.pixelpaint.render.plist",
          "LaunchAgents/com.example.notepaddeluxe.updater.plist"})
        remains_test::putFile(library + "/" + file, "x");

    auto pixelPaint = KnowledgeBaseSimpleSearchInfo::generateForBundle(
        makeApp("PixelPaint.app", "com.example.PixelPaint", "PixelPaint"), searcher);
    ASSERT_NE(pixelPaint, nullptr);
    EXPECT_EQ(sorted(found(*pixelPaint, library)),
              (std::vector<std::string>{
                  "Application Support/PixelPaint Brushes 3",
                  "Application Support/com.example.PixelPaint 3", "Caches/PixelPaint 8",
                  "LaunchAgents/com.example.pixelpaint.render.plist 14", "Logs/PixelPaint 11",
                  "Preferences/com.example.PixelPaint.plist 10"}));

    auto notepad = KnowledgeBaseSimpleSearchInfo::generateForBundle(
        makeApp("Notepad Deluxe.app", "com.example.NotepadDeluxe", "NotepadDeluxe"), searcher);
    ASSERT_NE(notepad, nullptr);
    EXPECT_EQ(
        sorted(found(*notepad, library)),
        (std::vector<std::string>{"Application Support/Example Software/Notepad Deluxe Sync 3",
                                  "Application Support/Notepad Deluxe 3", "Caches/Notepad Deluxe 8",
                                  "Caches/com.example.NotepadDeluxe 8",
                                  "Group Containers/group.com.example.notepaddeluxe 9",
                                  "LaunchAgents/com.example.notepaddeluxe.updater.plist 14"}));
}
