#include "FaultTestSupport.h"
#include "knowledge/KnowledgeBaseData.h"
#include "knowledge/KnowledgeBaseLimits.h"
#include "knowledge/SecureBuffer.h"
#include "platform/ContainerScratchFolder.h"
#include "search/KnowledgeBaseTestSupport.h"

#include <malloc.h>
#include <sys/wait.h>

using namespace testing_support;

namespace {

constexpr std::uint64_t kMemoryBoundKiB = 512 * 1024;

// `head`, then `item(i)` for i from 0 while the document stays under `count` items, then
// `tail`.
template <typename Item>
std::string repeated(std::string_view head, std::size_t count, Item item, std::string_view tail) {
    std::string document(head);
    for (std::size_t i = 0; i < count; ++i)
        document += item(i);
    document += tail;
    return document;
}

struct ChildLoad {
    bool parsed{false};
    std::uint64_t peakGrowthKiB{0};
};

// Loads the container at `path` in a child process, as a search would, and answers whether
// it loaded and how far the child's resident set grew at its peak.
std::optional<ChildLoad> loadInChild(const std::string& path) {
    int ends[2];
    if (pipe(ends) != 0)
        return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        malloc_trim(0);
        const std::uint64_t before = residentKiB();
        resetPeakResident();
        ChildLoad load;
        load.parsed = KnowledgeBaseData::createWithPath(path)->isParsed();
        const std::uint64_t peak = peakResidentKiB();
        load.peakGrowthKiB = peak > before ? peak - before : 0;
        _exit(write(ends[1], &load, sizeof load) == sizeof load ? 0 : 1);
    }
    close(ends[1]);
    ChildLoad load;
    const bool got = child > 0 && read(ends[0], &load, sizeof load) == sizeof load;
    close(ends[0]);
    int status = 0;
    if (child > 0)
        waitpid(child, &status, 0);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return load;
}

} // namespace

// Knowledge bases made to cost as much memory as the limits let them, each packed into a
// container (most of them a few hundred kilobytes) and loaded in a process of its own. The
// ones within the limits load, the others are refused, and none takes more than 512 MiB.
TEST(CraftedContainers, NoneTakesMoreThanHalfAGigabyteToLoad) {
    if (!kResidentSetIsMeaningful)
        GTEST_SKIP() << "the sanitizers' own memory hides what the load takes";
    using Limits = KnowledgeBaseLimits;
    const std::size_t records = Limits::kMaxRecords;
    const std::size_t elements = Limits::kMaxXMLRecords;
    auto number = [](std::size_t i) { return std::to_string(i); };
    struct Shape {
        const char* name;
        std::string document;
        bool loads;
    };
    const Shape shapes[] = {
        {"records at the limit, each under a name of its own",
         repeated(
             "<base><domains><d v=\"com.a\"><g v=\"caches\">", records,
             [&](std::size_t i) {
                 return "<f>/Users/someone/Library/Caches/" + number(i) + "</f>";
             },
             "</g></d></domains></base>"),
         true},
        {"one record past the limit",
         repeated(
             "<base><domains><d v=\"com.a\"><g v=\"caches\">", records + 1,
             [](std::size_t) { return "<f>/a</f>"; }, "</g></d></domains></base>"),
         false},
        {"elements at the limit, each a domain of its own",
         repeated(
             "<base><domains>", elements - 2,
             [&](std::size_t i) { return "<d v=\"c." + number(i) + "\"/>"; }, "</domains></base>"),
         true},
        {"elements with attributes past the limit",
         repeated(
             "<base>", elements, [](std::size_t) { return "<a b=\"\"/>"; }, "</base>"),
         false},
        {"separator words at the limit",
         repeated(
             "<base><separators><d v=\"com.a\"><s type=\"nameComponent\">", elements - 4,
             [&](std::size_t i) { return "<v>" + number(i) + "</v>"; },
             "</s></d></separators></base>"),
         true},
        {"custom domain rules of the largest size, filling the document",
         repeated(
             "<base><CustomDomains>", 400,
             [&](std::size_t i) {
                 return "<CustomDomainDefinition id=\"c:" + number(i) + "\"><![CDATA[[" +
                        repeated(
                            "", Limits::kMaxCustomDomainDefinitionBytes / 3 - 1,
                            [](std::size_t) { return "[],"; }, "[]") +
                        "]]]></CustomDomainDefinition>";
             },
             "</CustomDomains></base>"),
         true},
        // The two containers that once took 1.19 GB and 606 MB: some 65 KB holding 16 million
        // empty elements, and 131 KB holding 7.5 million records.
        {"16 million empty elements",
         repeated(
             "<base>", 16'000'000, [](std::size_t) { return "<a/>"; }, "</base>"),
         false},
        {"7.5 million records",
         repeated(
             "<base><domains><d v=\"com.a\"><g v=\"caches\">", 7'500'000,
             [](std::size_t) { return "<f>/a</f>"; }, "</g></d></domains></base>"),
         false},
        {"a document one byte past the size limit",
         "<base>" + std::string(Limits::kMaxDocumentBytes - 13, ' ') + "</base>\n", false},
    };
    for (const Shape& shape : shapes) {
        const std::string path = Sandbox::process().makeFolder("crafted") + "/auth.cer";
        writeFile(path, kb_test::pack(shape.document));
        const std::optional<ChildLoad> load = loadInChild(path);
        ASSERT_TRUE(load) << shape.name;
        EXPECT_EQ(load->parsed, shape.loads) << shape.name;
        EXPECT_LT(load->peakGrowthKiB, kMemoryBoundKiB) << shape.name;
        std::printf("%s: document %zu bytes, container %lld bytes, peak growth %llu KiB\n",
                    shape.name, shape.document.size(),
                    static_cast<long long>(std::filesystem::file_size(path)),
                    static_cast<unsigned long long>(load->peakGrowthKiB));
    }
}

// Mapping an unpacked entry on a file system with no room left for the terminator's page:
// the mapping is refused instead of stopping the program when that page is written, and
// the entry is left whole for reading.
TEST(CraftedContainers, AnEntryOnAFullDiskIsReadInsteadOfMapped) {
    const std::string mountPoint = Sandbox::process().makeFolder("full-scratch");
    ScopedMemoryFileSystem disk(mountPoint, "size=16k");
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    auto folder = platform::ContainerScratchFolder::createIn(mountPoint + "/private").folder;
    ASSERT_TRUE(folder);
    // Four pages fill the file system; the terminator would need a fifth.
    const std::string entry(4 * 4096, 'e');
    ASSERT_TRUE(folder->writeFileAtomically(
        "entry", {reinterpret_cast<const std::uint8_t*>(entry.data()), entry.size()}));

    EXPECT_FALSE(folder->mapFile("entry", entry.size(), 1));
    auto contents = folder->readFile<SecureBuffer>("entry", entry.size());
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->view(), entry);
}
