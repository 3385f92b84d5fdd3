#include "knowledge/DomainBundleIdentifier.h"
#include "knowledge/DomainChildIdentifier.h"
#include "knowledge/DomainCustomIdentifier.h"
#include "knowledge/DomainGroupIdentifier.h"
#include "knowledge/DomainIdentifierBuilder.h"
#include "platform/PlistValue.h"
#include "platform/PropertyList.h"
#include "support/Sandbox.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using platform::PlistValue;
using testing_support::Sandbox;

namespace {

std::string uid(const std::shared_ptr<const DomainIdentifier>& identifier) {
    return identifier ? identifier->uniqueIdentifier() : "none";
}

std::shared_ptr<const DomainIdentifier> restore(std::string_view uniqueIdentifier) {
    return DomainIdentifierBuilder::shared()->restoreDomainIdentifierByUniqueIdentifier(
        uniqueIdentifier);
}

// An application folder with the given Info.plist entries (none written when empty).
std::string makeApp(const std::string& name, PlistValue::Dictionary info) {
    std::string path = Sandbox::process().makeFolder("apps") + "/" + name;
    testing_support::makeDirs(path + "/Contents");
    if (!info.empty()) {
        EXPECT_TRUE(platform::PropertyList::writeFile(path + "/Contents/Info.plist",
                                                      PlistValue(std::move(info)),
                                                      platform::PropertyList::Format::Xml));
    }
    return path;
}

struct CountingProvider : CustomDomainIdentifierProvider {
    explicit CountingProvider(std::shared_ptr<const DomainIdentifier> a) : answer(std::move(a)) {}
    std::shared_ptr<const DomainIdentifier>
    idForBundleWithoutIdAtPath(const std::string&) override {
        ++calls;
        return answer;
    }
    std::shared_ptr<const DomainIdentifier> answer;
    std::atomic<int> calls{0};
};

// Each test gets a builder of its own, so remembered identifiers never leak between tests.
class DomainIdentifierBuilderTest : public testing::Test {
protected:
    void SetUp() override { DomainIdentifierBuilder::setShared(builder); }
    void TearDown() override { DomainIdentifierBuilder::setShared(nullptr); }

    std::shared_ptr<DomainIdentifierBuilder> builder = std::make_shared<DomainIdentifierBuilder>();
};

} // namespace

TEST(DomainIdentifier, RoundTripsThroughItsUniqueIdentifier) {
    auto group = DomainGroupIdentifier::create("Office Suite");
    const std::pair<std::shared_ptr<const DomainIdentifier>, std::string> cases[] = {
        {DomainBundleIdentifier::create("de.ÄPFEL.Tool"), "bi:de.äpfel.tool"},
        {DomainCustomIdentifier::create("9F2C-Ab"), "c:9f2c-ab"},
        {group, "g:Office Suite"},
        {DomainChildIdentifier::create(DomainBundleIdentifier::create("com.x.Writer"), group),
         "ch:bi:com.x.writer<<<g:Office Suite"},
    };
    for (const auto& [identifier, uniqueIdentifier] : cases) {
        EXPECT_EQ(uid(identifier), uniqueIdentifier);
        EXPECT_EQ(uid(restore(uniqueIdentifier)), uniqueIdentifier);
    }
    // A bundle identifier keeps its spelling; only its unique identifier is lowercase.
    auto restored = std::dynamic_pointer_cast<const DomainBundleIdentifier>(restore("bi:Com.A"));
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->bundleIdentifier(), "Com.A");
    EXPECT_EQ(restored->uniqueIdentifier(), "bi:com.a");
}

TEST(DomainIdentifier, RefusesWhatCannotNameADomain) {
    EXPECT_EQ(DomainBundleIdentifier::create(""), nullptr);
    EXPECT_EQ(DomainChildIdentifier::create(nullptr, DomainGroupIdentifier::create("g")), nullptr);
    EXPECT_EQ(DomainChildIdentifier::create(DomainBundleIdentifier::create("a"), nullptr), nullptr);
    for (const char* uniqueIdentifier :
         {"", "bi:", "BI:com.a", "com.a", "ch:bi:a", "ch:bi:a<<<g:b<<<g:c", "ch:bi:a<<<bi:b",
          "ch:zz:a<<<g:b", "ch:bi:a<<<", "ch:ch:bi:a<<<g:b<<<g:c"})
        EXPECT_EQ(uid(restore(uniqueIdentifier)), "none") << uniqueIdentifier;
}

TEST_F(DomainIdentifierBuilderTest, NamesBundlesByIdentifierOrOneRememberedRandomOne) {
    std::string app =
        makeApp("Foo.app", {{"CFBundleIdentifier", "Com.Foo.App"}, {"CFBundleSignature", "dplt"}});
    EXPECT_EQ(uid(builder->findIdentifierForBundleAt(app)), "bi:com.foo.app");
    std::string droplet = makeApp("Drop.app", {{"CFBundleSignature", "dplt"}});
    std::string bare = makeApp("Bare.app", {});
    std::string proxy = makeApp("Proxy.app", {{"CFBundleIdentifier", "com.parallels.winapp.x"}});
    for (const std::string& path : {droplet, bare, proxy, bare + "/missing.app"})
        EXPECT_EQ(uid(builder->findIdentifierForBundleAt(path)), "none") << path;

    std::string first = makeApp("First.app", {{"CFBundleName", "First"}});
    std::string second = makeApp("Second.app", {{"CFBundleSignature", "????"}});
    auto identifier = std::dynamic_pointer_cast<const DomainCustomIdentifier>(
        builder->findIdentifierForBundleAt(first));
    ASSERT_NE(identifier, nullptr);
    EXPECT_EQ(identifier->appId().size(), 32u);
    EXPECT_EQ(builder->findIdentifierForBundleAt(first), identifier);
    EXPECT_NE(builder->findIdentifierForBundleAt(second)->uniqueIdentifier(),
              identifier->uniqueIdentifier());
}

TEST_F(DomainIdentifierBuilderTest, AsksTheCallersProviderAndRemembersOnlyWhatItMadeUp) {
    std::string app = makeApp("Tool.app", {{"CFBundleName", "Tool"}});
    CountingProvider known(DomainCustomIdentifier::create("FromKB"));
    EXPECT_EQ(uid(builder->findIdentifierForBundleAt(app, &known)), "c:fromkb");
    EXPECT_EQ(known.calls, 1);

    // A later search with another knowledge base gets its own answer, not the first one's.
    CountingProvider replaced(DomainCustomIdentifier::create("Replaced"));
    EXPECT_EQ(uid(builder->findIdentifierForBundleAt(app, &replaced)), "c:replaced");

    // Without an answer the bundle gets one made-up identifier for the whole run.
    CountingProvider silent(nullptr);
    auto madeUp = builder->findIdentifierForBundleAt(app, &silent);
    ASSERT_NE(madeUp, nullptr);
    EXPECT_NE(uid(madeUp), "c:fromkb");
    EXPECT_EQ(builder->findIdentifierForBundleAt(app), madeUp);
    EXPECT_EQ(builder->findIdentifierForBundleAt(app, &silent), madeUp);
    EXPECT_EQ(uid(builder->findIdentifierForBundleAt(app, &known)), "c:fromkb");
}

// Every search asks its provider before any makes up an identifier (the provider waits for
// all of them, for at most five seconds); all must still end with the same made-up one.
TEST_F(DomainIdentifierBuilderTest, ConcurrentSearchesAgreeOnTheMadeUpIdentifierOfABundle) {
    struct WaitingProvider : CountingProvider {
        WaitingProvider() : CountingProvider(nullptr) {}
        std::shared_ptr<const DomainIdentifier>
        idForBundleWithoutIdAtPath(const std::string& path) override {
            CountingProvider::idForBundleWithoutIdAtPath(path);
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (calls < 4 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::yield();
            return nullptr;
        }
    };
    WaitingProvider provider;
    std::string app = makeApp("Shared.app", {{"CFBundleName", "Shared"}});
    std::vector<std::shared_ptr<const DomainIdentifier>> found(4);
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back(
            [&, i] { found[i] = builder->findIdentifierForBundleAt(app, &provider); });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(provider.calls, 4);
    ASSERT_NE(found[0], nullptr);
    for (const auto& identifier : found)
        EXPECT_EQ(uid(identifier), uid(found[0]));
}
