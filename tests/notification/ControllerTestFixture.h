#pragma once

#include "HVCocoaPackage/AttributedLabel.h"
#include "PanelTestSupport.h"
#include "TestRemainsProvider.h"
#include "notification/RichNotificationWC.h"
#include "notification/RichNotificationWindow.h"
#include "platform/MainQueue.h"
#include "shell/MessageTestSupport.h"
#include "shell/NSStringFileSize.h"
#include "shell/Workspace.h"

#include <functional>
#include <gtest/gtest.h>

namespace panel_test {

inline std::string text(const AttributedLabel* label) {
    return label->attributedText().string().toStdString();
}

// The colour of the run that is exactly `words`; invalid when there is none.
inline QColor colourOf(const AttributedString& string, const QString& words) {
    for (const AttributedString::Run& run : string.runs()) {
        if (run.text == words)
            return run.attributes.foregroundColor.value_or(QColor());
    }
    return {};
}

inline std::string sizeText(std::uint64_t bytes) {
    return NSStringFileSize::convertToStringFromFileSize(bytes);
}

class RichNotificationWCTest : public testing::Test {
protected:
    void SetUp() override {
        // The main application runs; what it is asked to open is recorded.
        m_workspace->running = {{42, "/Running/Sweepwise.app/Contents/MacOS/Sweepwise"}};
        Workspace::setShared(m_workspace);
        m_controller = RichNotificationWC::create(m_provider);
        ASSERT_TRUE(m_controller);
        m_trash = testing_support::Sandbox::process().makeFolder("Trash");
    }

    void TearDown() override {
        m_controller.reset();
        Workspace::setShared(nullptr);
    }

    std::shared_ptr<platform::Bundle> app(const std::string& name, const std::string& id,
                                          const std::string& folder = {}) {
        const std::string where = folder.empty() ? m_trash : folder;
        return platform::Bundle::create(panel_test::makeApp(where, name, id));
    }

    static bool waitFor(const std::function<bool()>& predicate) {
        return platform::MainQueue::shared().runUntil(predicate, std::chrono::seconds(10));
    }

    // Offers the bundle and waits until the panel shows it among `count` entries.
    void offer(const std::shared_ptr<platform::Bundle>& bundle, std::size_t entries) {
        m_controller->showNotificationForApp(bundle);
        ASSERT_TRUE(waitFor([&] {
            return m_controller->removedApps().contains(bundle->bundlePath()) &&
                   m_controller->removeInfo().size() == entries && m_controller->isWindowLoaded() &&
                   window().isVisible();
        })) << bundle->bundlePath();
    }

    RichNotificationWindow& window() { return *m_controller->window(); }

    std::shared_ptr<message_testing::RecordingWorkspace> m_workspace{
        std::make_shared<message_testing::RecordingWorkspace>()};
    std::shared_ptr<TestRemainsProvider> m_provider{std::make_shared<TestRemainsProvider>()};
    std::shared_ptr<RichNotificationWC> m_controller;
    std::string m_trash;
};

} // namespace panel_test
