#include "platform/TreeSize.h"

#include "support/FileTestSupport.h"
#include "support/Sandbox.h"

#include <cstdint>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

using platform::TreeSize;
using namespace testing_support;

TEST(TreeSize, MatchesAnIndependentSumOverEveryKindOfItem) {
    std::string base = Sandbox::process().makeFolder("mixed");
    std::string root = base + "/root";
    makeDirs(root + "/.hidden/inner");
    makeDirs(root + "/empty");
    makeDirs(base + "/outside");
    writeFile(base + "/outside/big", std::string(200000, 'o'));
    writeFile(root + "/file", std::string(100000, 'x'));
    writeFile(root + "/.hidden/inner/line\nbreak\xff", std::string(9000, 'h'));
    int sparse = open((root + "/sparse").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(ftruncate(sparse, 64 << 20), 0);
    ASSERT_EQ(pwrite(sparse, "x", 1, 32 << 20), 1);
    close(sparse);
    ASSERT_EQ(link((root + "/file").c_str(), (root + "/hardlink").c_str()), 0);
    makeLink(base + "/outside", root + "/toOutside");
    makeLink(std::string(300, 'L'), root + "/longTarget");
    ASSERT_EQ(mkfifo((root + "/pipe").c_str(), 0644), 0);
    // More names than one listing call returns.
    for (int item = 0; item < 3000; ++item)
        writeFile(root + "/.hidden/" + std::string(100, 'c') + std::to_string(item),
                  item % 7 == 0 ? "data" : "");
    // Deeper than the descriptor bound, with a side folder at every level that the walk
    // must come back to after going down.
    std::string chain = root;
    for (std::size_t level = 0; level < 2 * TreeSize::kMaxOpenFolders; ++level) {
        makeDirs(chain + "/s" + std::to_string(level));
        writeFile(chain + "/s" + std::to_string(level) + "/g", "side");
        chain += "/d";
    }
    makeDirs(chain);

    std::uint64_t expected = nftwSum(root);
    ASSERT_GT(expected, 400000u);
    makeLink(root, base + "/rootLink");
    const std::pair<std::string, std::uint64_t> roots[] = {
        {root, expected},
        {base + "/rootLink", expected}, // the folder itself may be reached through a link
        {root + "/file", 0},
        {root + "/toOutside", allocatedSize(base + "/outside/big")},
    };
    for (const auto& [path, size] : roots)
        EXPECT_EQ(TreeSize::allocatedSizeBelow(path), size) << path;
}
