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

mode_t modeOf(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode & (S_IFMT | 07777) : 0;
}

// Sets an environment variable for as long as this lives.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
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
    ScopedVariable variable("XDG_RUNTIME_DIR", runtime);

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
