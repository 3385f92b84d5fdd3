#include "knowledge/DomainIdentifier.h"
#include "search/KnowledgeBaseTestSupport.h"

#include <barrier>
#include <gtest/gtest.h>
#include <thread>

using namespace kb_test;
using remains_test::putFile;
using testing_support::Sandbox;

namespace {

// A knowledge base that names applications whose executable is `name` "c:<name>" and
// files one leftover under that domain.
std::string knowledgeBaseFor(const std::string& name, const std::string& leftover) {
    return "<base><domains><d vId=\"c:" + name + "\"><g v=\"caches\"><f>" + leftover +
           "</f></g></d></domains><CustomDomains><CustomDomainDefinition id=\"c:" + name +
           "\"><![CDATA[[\"compare\", \"CFBundleExecutable\", [\"=\", \"" + name +
           "\"]]]]></CustomDomainDefinition></CustomDomains></base>";
}

// An application without bundle identifier. Its information dictionary is padded to half a
// megabyte, so that reading it keeps a search busy between loading its knowledge
// base and asking it for the application's domain: long enough for the other search to
// load its own.
std::shared_ptr<const platform::Bundle> makePaddedApp(const std::string& executable) {
    const std::string path = Sandbox::process().makeFolder("padded") + "/" + executable + ".app";
    std::string plist = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                        "<key>CFBundleExecutable</key><string>" +
                        executable + "</string><key>Padding</key><array>";
    for (int i = 0; i < 20000; ++i)
        plist += "<string>padding</string>";
    plist += "</array></dict></plist>\n";
    putFile(path + "/Contents/Info.plist", plist);
    return platform::Bundle::create(path);
}

} // namespace

// Two searches at once, each with a knowledge base of its own (two copies of the main
// application, as before and after an update) for an application without identifier that
// only its own knowledge base names. Each must name its application by its own knowledge
// base and find the leftover filed there, whatever the other search does meanwhile.
TEST(ConcurrentSearches, EachNamesItsApplicationByItsOwnKnowledgeBase) {
    // Records name places in the user's Library, written from the home folder.
    const std::string inLibrary = "/Library/Caches/concurrent-search";
    const std::string root = Sandbox::process().home() + inLibrary;
    const std::string names[2] = {"alpha", "beta"};
    std::string helpers[2];
    for (int side = 0; side < 2; ++side) {
        putFile(root + "/" + names[side] + "-cache", "leftover");
        helpers[side] = makeMainApplication(
            pack(knowledgeBaseFor(names[side], "~" + inLibrary + "/" + names[side] + "-cache")));
    }
    for (int round = 0; round < 3; ++round) {
        std::shared_ptr<KnowledgeBaseSimpleSearchInfo> results[2];
        std::shared_ptr<const platform::Bundle> bundles[2] = {makePaddedApp(names[0]),
                                                              makePaddedApp(names[1])};
        std::barrier start(2);
        std::vector<std::thread> searches;
        for (int side = 0; side < 2; ++side) {
            searches.emplace_back([&, side] {
                start.arrive_and_wait();
                results[side] = KnowledgeBaseSimpleSearchInfo::generateForBundle(
                    bundles[side], KnowledgeBasePathSearcher(helpers[side]));
            });
        }
        for (std::thread& search : searches)
            search.join();
        for (int side = 0; side < 2; ++side) {
            ASSERT_NE(results[side], nullptr);
            ASSERT_NE(results[side]->domainIdentifier(), nullptr);
            EXPECT_EQ(results[side]->domainIdentifier()->uniqueIdentifier(), "c:" + names[side])
                << "round " << round;
            EXPECT_EQ(found(*results[side], root),
                      std::vector<std::string>{names[side] + "-cache 8"})
                << "round " << round;
        }
    }
}
