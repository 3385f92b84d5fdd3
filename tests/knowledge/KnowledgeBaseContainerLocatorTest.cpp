#include "knowledge/KnowledgeBaseContainerLocator.h"

#include "shell/PathsGenerator.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

TEST(KnowledgeBaseContainerLocator, DownloadedCopyComesFirstThenTheOneInTheMainApplication) {
    const std::string folder = Sandbox::process().makeFolder();
    const std::string mainApp = folder + "/Sweepwise.app";
    const std::string helper = mainApp + "/Contents/Library/LoginItems/Helper.app";
    makeDirs(helper + "/Contents/MacOS");
    makeDirs(mainApp + "/Contents/Resources");

    auto downloaded = KnowledgeBaseContainerLocator::downloadedContainerPath();
    ASSERT_TRUE(downloaded);
    EXPECT_EQ(*downloaded,
              *PathsGenerator::GetInstance().buildMainAppFolderPathInApplicationSupport() +
                  "/auth.cer");
    EXPECT_EQ(downloaded->rfind(PathsGenerator::GetInstance().getHomeDirectory(), 0), 0u);

    EXPECT_EQ(KnowledgeBaseContainerLocator::embeddedContainerPath(helper), std::nullopt);
    EXPECT_TRUE(KnowledgeBaseContainerLocator::containerPaths(helper).empty());

    writeFile(mainApp + "/Contents/Resources/auth.cer", "embedded");
    EXPECT_EQ(KnowledgeBaseContainerLocator::embeddedContainerPath(helper),
              mainApp + "/Contents/Resources/auth.cer");
    EXPECT_EQ(KnowledgeBaseContainerLocator::containerPaths(helper),
              std::vector<std::string>{mainApp + "/Contents/Resources/auth.cer"});

    makeDirs(downloaded->substr(0, downloaded->rfind('/')));
    writeFile(*downloaded, "downloaded");
    EXPECT_EQ(KnowledgeBaseContainerLocator::containerPaths(helper),
              (std::vector<std::string>{*downloaded, mainApp + "/Contents/Resources/auth.cer"}));
    removeTree(*downloaded);

    // A helper that is not inside an application has no embedded copy.
    EXPECT_EQ(KnowledgeBaseContainerLocator::embeddedContainerPath(folder + "/Loose.app"),
              std::nullopt);
}

} // namespace
