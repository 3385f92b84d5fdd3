#pragma once

#include "HVCocoaPackage/AttributedString.h"
#include "notification/NotificationPresenter.h"
#include "notification/RemainsInfoListener.h"
#include "notification/RemainsProvider.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class QPropertyAnimation;
class RemovedAppDisplayItem;
namespace platform {
class DelayedCall;
}
class RemovedAppList;
class RichNotificationWindow;

// The notification panel's controller: one lives for the whole run of the helper.
//
// Every application that reaches the Trash is offered with showNotificationForApp.
// If the provider approves it, its knowledge-base search runs on the global queue
// and the panel appears in the top-right corner of the primary screen with the
// leftovers' size, which follows the size reports as they come in. Applications
// offered while the panel is open join the same notification, which then speaks of
// all of them and lists them. "Uninstall" hands every leftover to the main
// application; it and "Ignore" end the notification.
//
// Main thread only; results of other threads come back through the main queue.
class RichNotificationWC : public RemainsInfoListener,
                           public std::enable_shared_from_this<RichNotificationWC> {
public:
    using Bundle = std::shared_ptr<platform::Bundle>;
    using SearchCompletion = std::function<void(std::shared_ptr<KnowledgeBaseSimpleSearchInfo>)>;
    // The remains entries by bundle identifier, in the order the identifiers arrived.
    using RemoveInfo = std::vector<std::pair<std::string, std::shared_ptr<RemainsInfo>>>;

    static constexpr int windowWidth = 401;
    static constexpr int windowHeight = 139;
    static constexpr int rightOffset = 20;
    static constexpr int topOffset = 40;
    static constexpr int fadeInMilliseconds = 1000;

    static std::shared_ptr<RichNotificationWC> create(std::shared_ptr<RemainsProvider> provider);
    ~RichNotificationWC() override;

    RichNotificationWC(const RichNotificationWC&) = delete;
    RichNotificationWC& operator=(const RichNotificationWC&) = delete;

    // Where the panel's window cannot be placed, the notification is shown by the
    // presenter instead, and no window is made. Set it before the first application.
    void setPresenter(std::shared_ptr<NotificationPresenter> presenter) {
        m_presenter = std::move(presenter);
    }

    // Offers an application that was moved to the Trash; null is ignored.
    void showNotificationForApp(const Bundle& bundle);

    void onSimpleRemainsInfoChanged(const RemainsInfo* info) override;

    // The panel's actions.
    void onSelectCompleteUninstall();
    void onNotificationClose();
    void onShowHelp();

    // The state of the open notification.
    bool isActive() const { return m_bIsActive; }
    const std::string& mainAppName() const { return m_sMainAppName; }
    const std::string& mainAppPath() const { return m_sMainAppPath; }
    std::int64_t otheAppCount() const { return m_nOtheAppCount; }
    const RemoveInfo& removeInfo() const { return m_arrRemoveInfo; }
    const std::map<std::string, Bundle>& removedApps() const { return m_arrRemovedApps; }

    // The window, loaded on first use.
    RichNotificationWindow* window();
    bool isWindowLoaded() const { return m_window != nullptr; }
    RemovedAppList* appList() const;

    // The application's name as the panel shows it: whole, or shortened in its middle
    // where the texts would not fit otherwise.
    const QString& shownAppName() const { return m_shownAppName; }

private:
    explicit RichNotificationWC(std::shared_ptr<RemainsProvider> provider)
        : m_provider(std::move(provider)) {}

    // The steps of the notification, in the order they usually run.
    void configureForApp(const Bundle& bundle);
    void findKnowledgeBaseInfoForBundle(const Bundle& bundle, SearchCompletion completion);
    void showNotification();
    void hideNotification();
    void updateWindowContent();
    void updateRemovedAppList();
    void windowDidResize();

    QImage getAppIcon() const;
    AttributedString generateTitleAttributedString() const;
    AttributedString generateDescriptionAttributedString() const;

    void windowDidLoad();
    // The action, run while the controller lives.
    std::function<void()> whenAlive(void (RichNotificationWC::*action)());
    void followPrimaryScreen();
    void applyAppearance();
    void acceptSearchResult(const Bundle& bundle,
                            const std::shared_ptr<KnowledgeBaseSimpleSearchInfo>& result);
    std::shared_ptr<RemainsInfo> remainsForBundleId(const std::string& bundleId) const;
    // Brings the panel up to date (and fades it in when `show`), at once when nothing else
    // waits on the main queue, else once after what waits there.
    void updateAfterWaitingWork(bool show);
    void applyWaitingUpdate();
    void placeWindow();
    void showTexts();
    // Shortens the name shown until the texts fit into the panel.
    void shortenAppNameToFit();
    void startFadeIn();
    void presentElsewhere();
    // The list's row for the entry, made again only when its size has changed.
    std::shared_ptr<const RemovedAppDisplayItem> displayItemFor(const RemainsInfo& info);

    std::shared_ptr<RemainsProvider> m_provider;
    std::shared_ptr<NotificationPresenter> m_presenter;
    bool m_presented{false};

    bool m_bIsActive{false};
    std::string m_sMainAppName;
    std::string m_sMainAppPath;
    QString m_shownAppName;
    std::int64_t m_nOtheAppCount{0};
    RemoveInfo m_arrRemoveInfo;
    std::map<std::string, Bundle> m_arrRemovedApps;
    // Counts the notifications opened so far, so that a search that finishes after
    // its notification ended does not bring the panel back.
    std::uint64_t m_notificationNumber{0};
    // An update left for the end of the main queue, and whether it fades the panel in.
    bool m_updateWaiting{false};
    bool m_showWaiting{false};
    // Every size report and arrival rebuilds the list's items, which may be a thousand; an
    // entry's item is kept with the size it shows. Emptied with the entries.
    std::unordered_map<const RemainsInfo*,
                       std::pair<std::uint64_t, std::shared_ptr<const RemovedAppDisplayItem>>>
        m_displayItems;

    std::unique_ptr<RichNotificationWindow> m_window;
    QPointer<RemovedAppList> m_appList;
    // Made with the window, which owns it, where the window system can change a window's
    // opacity; every showing restarts it.
    QPropertyAnimation* m_fadeIn{nullptr};
    QMetaObject::Connection m_screenGeometry;
    // Gives idle memory back a while after the panel was dismissed, unless another
    // panel comes first.
    std::shared_ptr<platform::DelayedCall> m_idleMemoryRelease;
};
