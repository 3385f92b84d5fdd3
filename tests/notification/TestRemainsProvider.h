#pragma once

#include "notification/RemainsProvider.h"
#include "platform/Bundle.h"
#include "platform/GlobalQueue.h"
#include "platform/MainQueue.h"
#include "shell/PathForRemove.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace panel_test {

// A remains entry whose leftovers are given by the test and whose sizes arrive when
// the test reports them, on the main thread, as the size calculator would.
class TestRemains : public RemainsInfo {
public:
    TestRemains(const platform::Bundle& bundle, std::weak_ptr<RemainsInfoListener> listener,
                std::vector<std::pair<std::string, std::int32_t>> leftovers)
        : m_name(executableName(bundle)), m_mainPath(bundle.bundlePath()),
          m_bundleId(bundle.bundleIdentifier().value_or("")), m_bundles{bundle.bundlePath()},
          m_leftovers(std::move(leftovers)), m_listener(std::move(listener)) {}

    std::string appName() const override { return m_name; }
    std::string mainPath() const override { return m_mainPath; }
    std::uint64_t getTotalSize() const override { return m_total; }

    void addBundle(const std::shared_ptr<platform::Bundle>& bundle) override {
        if (bundle->bundleIdentifier() == m_bundleId)
            m_bundles.push_back(bundle->bundlePath());
    }

    void
    addRemoveObjectPathsToArray(std::vector<std::shared_ptr<PathForRemove>>& array) const override {
        for (const std::string& path : m_bundles)
            array.push_back(PathForRemove::create(path, 0, m_bundleId));
        for (const auto& [path, group] : m_leftovers)
            array.push_back(PathForRemove::create(path, group, m_bundleId));
    }

    // One measured leftover: the total grows and the listener hears of it.
    void report(std::uint64_t bytes) {
        m_total += bytes;
        if (const auto listener = m_listener.lock())
            listener->onSimpleRemainsInfoChanged(this);
    }

    const std::vector<std::string>& bundles() const { return m_bundles; }

private:
    static std::string executableName(const platform::Bundle& bundle) {
        const platform::PlistValue* value = bundle.objectForInfoDictionaryKey("CFBundleExecutable");
        const std::string* name = value ? value->asString() : nullptr;
        return name ? *name : std::string();
    }

    std::string m_name;
    std::string m_mainPath;
    std::string m_bundleId;
    std::vector<std::string> m_bundles;
    std::vector<std::pair<std::string, std::int32_t>> m_leftovers;
    std::weak_ptr<RemainsInfoListener> m_listener;
    std::uint64_t m_total{0};
};

// Approves every identifier except the refused ones, by default from a background
// thread as the real check may; finds nothing in the knowledge base; and gives each entry a
// cache folder and a preferences file under /leftovers. Searches of held bundle
// paths wait until the test releases them.
class TestRemainsProvider : public RemainsProvider {
public:
    // How long a held search waits at most, so that a broken test cannot hang.
    static constexpr std::chrono::seconds kWatchdog{10};

    void refuse(const std::string& bundleId) {
        std::lock_guard lock(m_mutex);
        m_refused.insert(bundleId);
    }

    void hold(const std::string& bundlePath) {
        std::lock_guard lock(m_mutex);
        m_held.insert(bundlePath);
    }

    void release(const std::string& bundlePath) {
        std::lock_guard lock(m_mutex);
        m_held.erase(bundlePath);
        m_released.notify_all();
    }

    // Lets the next search result carry a token, so that a test can tell from the
    // token's end that the controller has dealt with the result.
    void attachToken(std::shared_ptr<int> token) {
        std::lock_guard lock(m_mutex);
        m_token = std::move(token);
    }

    void calculateIsCanShowNotificationForBundleWithID(const std::string& bundleId,
                                                       OkBlock okBlock) override {
        ++eligibilityChecks;
        {
            std::lock_guard lock(m_mutex);
            if (bundleId.empty() || m_refused.contains(bundleId))
                return;
        }
        if (approveOnCallingThread)
            okBlock();
        else
            platform::globalQueue().async(std::move(okBlock));
    }

    std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
    generateForBundle(const std::shared_ptr<platform::Bundle>& bundle) override {
        if (platform::MainQueue::shared().isCurrentThread())
            searchedOnMainThread = true;
        std::unique_lock lock(m_mutex);
        m_released.wait_for(lock, kWatchdog,
                            [&] { return !m_held.contains(bundle->bundlePath()); });
        // An empty result that shares the token's ownership.
        return std::shared_ptr<KnowledgeBaseSimpleSearchInfo>(std::exchange(m_token, nullptr),
                                                              nullptr);
    }

    std::shared_ptr<RemainsInfo>
    makeRemainsInfo(const std::shared_ptr<platform::Bundle>& bundle,
                    std::weak_ptr<RemainsInfoListener> listener,
                    const std::shared_ptr<KnowledgeBaseSimpleSearchInfo>&) override {
        const std::string id = bundle->bundleIdentifier().value_or("");
        auto remains = std::make_shared<TestRemains>(
            *bundle, std::move(listener),
            std::vector<std::pair<std::string, std::int32_t>>{
                {"/leftovers/Library/Caches/" + id, 8},
                {"/leftovers/Library/Preferences/" + id + ".plist", 10}});
        made.push_back(remains);
        return remains;
    }

    // Approvals then reach the controller in the order of the offers.
    bool approveOnCallingThread{false};
    std::atomic<int> eligibilityChecks{0};
    std::atomic<bool> searchedOnMainThread{false};
    // Every entry made, in order (main thread only).
    std::vector<std::shared_ptr<TestRemains>> made;

private:
    std::mutex m_mutex;
    std::condition_variable m_released;
    std::set<std::string> m_refused;
    std::set<std::string> m_held;
    std::shared_ptr<int> m_token;
};

} // namespace panel_test
