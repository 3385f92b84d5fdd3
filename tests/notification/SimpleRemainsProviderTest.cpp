#include "notification/SimpleRemainsProvider.h"

#include "PanelTestSupport.h"
#include "notification/RemainsInfo.h"
#include "platform/Bundle.h"
#include "shell/PathForRemove.h"
#include "shell/PathsGenerator.h"

#include <gtest/gtest.h>
#include <thread>

using testing_support::makeDirs;
using testing_support::Sandbox;
using testing_support::writeFile;

// The helper looks up what is installed beside the knowledge-base search, on the
// search's thread, and the entry made later on the main thread weighs its offer
// against it.
TEST(SimpleRemainsProvider, TheOfferLeavesOutWhatAnInstalledEditionOwns) {
    const std::string home = Sandbox::process().home();
    panel_test::makeApp(PathsGenerator::GetInstance().buildUserApplicationsDirectory(), "Mail Beta",
                        "com.example.mail.beta");
    for (const char* agent :
         {"com.example.mail.agent.plist", "com.example.mail.beta.agent.plist"}) {
        makeDirs(home + "/Library/LaunchAgents");
        writeFile(home + "/Library/LaunchAgents/" + agent, "x");
    }
    const std::string trashed =
        panel_test::makeApp(Sandbox::process().makeFolder("trash"), "Mail", "com.example.mail");
    auto bundle = platform::Bundle::create(trashed);
    ASSERT_TRUE(bundle);

    SimpleRemainsProvider provider;
    std::thread search([&] { provider.generateForBundle(bundle); });
    search.join();
    auto entry = provider.makeRemainsInfo(bundle, {}, nullptr);
    ASSERT_TRUE(entry);
    std::vector<std::shared_ptr<PathForRemove>> records;
    entry->addRemoveObjectPathsToArray(records);
    std::vector<std::string> paths;
    for (const auto& record : records)
        paths.push_back(record->path());
    EXPECT_EQ(paths, (std::vector<std::string>{
                         trashed, home + "/Library/LaunchAgents/com.example.mail.agent.plist"}));
}
