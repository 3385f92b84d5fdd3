#include "ContainerTestSupport.h"
#include "knowledge/DataCompressor.h"
#include "knowledge/KnowledgeBaseData.h"
#include "support/Sandbox.h"

#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace container_test;
using testing_support::Sandbox;

namespace {

// Where the helper keeps this user's scratch folders inside `temporaryFolder`.
std::string privateFolderIn(const std::string& temporaryFolder) {
    return temporaryFolder + "/sweepwise-kb." + std::to_string(geteuid());
}

// Points XDG_RUNTIME_DIR at `folder` for as long as this lives.
struct ScopedRuntimeFolder {
    explicit ScopedRuntimeFolder(const std::string& folder) {
        setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    }
    ~ScopedRuntimeFolder() {
        old ? setenv("XDG_RUNTIME_DIR", old->c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    }
    const std::optional<std::string> old =
        std::getenv("XDG_RUNTIME_DIR") ? std::optional<std::string>(std::getenv("XDG_RUNTIME_DIR"))
                                       : std::nullopt;
};

} // namespace

// Another local user who makes this user's private folder in the shared temporary folder
// first (or leaves it open to others) must not switch the knowledge base off: the load
// moves on to the next temporary folder, says why, and never writes into the planted one.
TEST(PlantedScratchFolder, APlantedPrivateFolderMovesTheUnpackingToTheNextTemporaryFolder) {
    const std::string planted = privateFolderIn(Sandbox::process().tmp());
    const std::string saved = planted + ".saved";
    ASSERT_EQ(rename(planted.c_str(), saved.c_str()) == 0 || errno == ENOENT, true);
    ASSERT_EQ(mkdir(planted.c_str(), 0700), 0);
    ASSERT_EQ(chmod(planted.c_str(), 0777), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(planted.c_str(), 65534, 65534), 0);
    }
    const std::string runtime = Sandbox::process().makeFolder("runtime");
    ScopedRuntimeFolder runtimeFolder(runtime);

    const std::string document = "<base><domains><d v=\"com.example.a\"><g v=\"caches\">"
                                 "<f>~/Library/x/a</f></g></d></domains></base>";
    auto container = DataCompressor::compressData(bytes(document));
    ASSERT_TRUE(container);
    const std::string path = Sandbox::process().makeFolder("planted-kb") + "/auth.cer";
    testing_support::writeFile(path, std::string(container->view()));
    testing::internal::CaptureStderr();
    auto data = KnowledgeBaseData::createWithPath(path);
    const std::string log = testing::internal::GetCapturedStderr();

    EXPECT_TRUE(data->isParsed());
    EXPECT_EQ(data->recordsByFileNames().count("a"), 1u);
    EXPECT_NE(log.find(kKnowledgeWarning + "cannot unpack in " + planted + ": " +
                       (geteuid() == 0 ? "it belongs to user 65534"
                                       : "other users may use it (mode 0777)")),
              std::string::npos)
        << log;
    EXPECT_TRUE(listTree(planted).empty());
    const std::string used = privateFolderIn(runtime);
    EXPECT_EQ(modeOf(used), S_IFDIR | 0700u);
    EXPECT_TRUE(listTree(used).empty());

    ASSERT_EQ(rmdir(planted.c_str()), 0);
    ASSERT_EQ(rename(saved.c_str(), planted.c_str()) == 0 || errno == ENOENT, true);
}
