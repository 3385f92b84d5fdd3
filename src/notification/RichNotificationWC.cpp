#include "notification/RichNotificationWC.h"

#include "HVCocoaPackage/AttributedLabel.h"
#include "notification/AppAppearanceManager.h"
#include "notification/AppsListLocalizable.h"
#include "notification/ColoredView.h"
#include "notification/FigmaPalette.h"
#include "notification/HelpButton.h"
#include "notification/ImageView.h"
#include "notification/RemovedAppDisplayItem.h"
#include "notification/RemovedAppList.h"
#include "notification/RichNotificationTexts.h"
#include "notification/RichNotificationView.h"
#include "notification/RichNotificationWCLocalizable.h"
#include "notification/RichNotificationWindow.h"
#include "notification/Styles.h"
#include "notification/TextStyleData.h"
#include "notification/WatcherOfferNoCustomButton.h"
#include "notification/WatcherOfferYesCustomButton.h"
#include "notification/WindowSystem.h"
#include "notification/WorkspaceIcon.h"
#include "platform/Bundle.h"
#include "platform/DelayedCall.h"
#include "platform/GlobalQueue.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/MemoryRelease.h"
#include "platform/SuiteDefaults.h"
#include "search/KnowledgeBaseCache.h"
#include "search/KnowledgeBaseSearchQueue.h"
#include "search/KnowledgeBaseSimpleSearchInfo.h"
#include "search/NSStringFileManager.h"
#include "shell/ApplicationKinds.h"
#include "shell/Consts.h"
#include "shell/MacOSVersion.h"
#include "shell/NotificationsManager.h"
#include "shell/PathForRemove.h"
#include "shell/WatcherSettings.h"

#include <QDesktopServices>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QScreen>
#include <QUrl>
#include <utility>

namespace {

// The name the notification calls an application by: its executable's name, else
// the name of its bundle folder without the extension; an application of another kind
// by the name it gives itself.
std::string applicationName(const platform::Bundle& bundle) {
    if (auto name = ApplicationKinds::displayNameOf(bundle))
        return *name;
    const platform::PlistValue* executable =
        bundle.objectForInfoDictionaryKey("CFBundleExecutable");
    if (const std::string* name = executable ? executable->asString() : nullptr)
        return *name;
    const std::string display = NSStringFileManager::getDisplayNameAtPath(bundle.bundlePath());
    const std::size_t dot = display.rfind('.');
    return dot == std::string::npos || dot == 0 ? display : display.substr(0, dot);
}

} // namespace

std::shared_ptr<RichNotificationWC>
RichNotificationWC::create(std::shared_ptr<RemainsProvider> provider) {
    if (!provider)
        return nullptr;
    return std::shared_ptr<RichNotificationWC>(new RichNotificationWC(std::move(provider)));
}

RichNotificationWC::~RichNotificationWC() = default;

void RichNotificationWC::showNotificationForApp(const Bundle& bundle) {
    if (!bundle)
        return;
    std::weak_ptr<RichNotificationWC> weakSelf = weak_from_this();
    m_provider->calculateIsCanShowNotificationForApp(bundle, [weakSelf, bundle] {
        platform::MainQueue::shared().async([weakSelf, bundle] {
            const auto self = weakSelf.lock();
            if (!self || self->m_arrRemovedApps.contains(bundle->bundlePath()))
                return;
            self->m_arrRemovedApps.emplace(bundle->bundlePath(), bundle);
            self->configureForApp(bundle);
        });
    });
}

void RichNotificationWC::configureForApp(const Bundle& bundle) {
    if (m_idleMemoryRelease) {
        m_idleMemoryRelease->cancel();
        m_idleMemoryRelease.reset();
    }
    if (m_bIsActive) {
        ++m_nOtheAppCount;
    } else {
        m_bIsActive = true;
        ++m_notificationNumber;
        m_sMainAppName = applicationName(*bundle);
        m_shownAppName = QString::fromStdString(m_sMainAppName);
        m_sMainAppPath = bundle->bundlePath();
        m_nOtheAppCount = 0;
    }
    updateAfterWaitingWork(false);

    std::weak_ptr<RichNotificationWC> weakSelf = weak_from_this();
    const std::uint64_t notification = m_notificationNumber;
    findKnowledgeBaseInfoForBundle(
        bundle,
        [weakSelf, bundle, notification](std::shared_ptr<KnowledgeBaseSimpleSearchInfo> result) {
            const auto self = weakSelf.lock();
            if (self && self->m_bIsActive && self->m_notificationNumber == notification)
                self->acceptSearchResult(bundle, result);
        });
}

void RichNotificationWC::findKnowledgeBaseInfoForBundle(const Bundle& bundle,
                                                        SearchCompletion completion) {
    KnowledgeBaseSearchQueue::shared().async(
        [provider = m_provider, bundle] { return provider->generateForBundle(bundle); },
        std::move(completion));
}

void RichNotificationWC::acceptSearchResult(
    const Bundle& bundle, const std::shared_ptr<KnowledgeBaseSimpleSearchInfo>& result) {
    const std::string bundleId = bundle->bundleIdentifier().value_or(std::string());
    if (const auto existing = remainsForBundleId(bundleId)) {
        existing->addBundle(bundle);
    } else if (auto info = m_provider->makeRemainsInfo(bundle, weak_from_this(), result)) {
        m_arrRemoveInfo.emplace_back(bundleId, std::move(info));
    }
    // "Uninstall" hands over only the applications whose search has come back; the
    // log says when one has, for whoever drives the panel from outside.
    platform::Log::info(platform::Log::Component::Ui,
                        "leftovers ready for " + bundle->bundlePath());
    // The entry's first size report may take a while; the list shows it at once.
    updateAfterWaitingWork(true);
}

// When many applications reach the Trash at once, their arrivals, search results and size
// reports queue up on the main thread faster than it lays out a list of hundreds of rows, which
// costs in proportion to the rows: updating for each would keep the main thread busy for the whole
// burst, and the bus and the panel would go unanswered. So while more work waits, the
// update is made once, after it; an application on its own is shown at once.
void RichNotificationWC::updateAfterWaitingWork(bool show) {
    m_showWaiting = m_showWaiting || show;
    if (m_updateWaiting)
        return;
    platform::MainQueue& main = platform::MainQueue::shared();
    if (!main.hasWaitingTasks()) {
        applyWaitingUpdate();
        return;
    }
    m_updateWaiting = true;
    main.async(whenAlive(&RichNotificationWC::applyWaitingUpdate));
}

void RichNotificationWC::applyWaitingUpdate() {
    m_updateWaiting = false;
    const bool show = std::exchange(m_showWaiting, false);
    updateWindowContent();
    // Dismissed meanwhile: the panel stays hidden until the next notification's results.
    if (show && m_bIsActive)
        showNotification();
    else if (m_presented)
        presentElsewhere();
}

std::shared_ptr<RemainsInfo>
RichNotificationWC::remainsForBundleId(const std::string& bundleId) const {
    for (const auto& [identifier, info] : m_arrRemoveInfo) {
        if (identifier == bundleId)
            return info;
    }
    return nullptr;
}

void RichNotificationWC::onSimpleRemainsInfoChanged(const RemainsInfo* info) {
    if (info)
        updateAfterWaitingWork(false);
}

RichNotificationWindow* RichNotificationWC::window() {
    if (!m_window) {
        m_window = std::make_unique<RichNotificationWindow>();
        windowDidLoad();
    }
    return m_window.get();
}

RemovedAppList* RichNotificationWC::appList() const {
    return m_appList;
}

std::function<void()> RichNotificationWC::whenAlive(void (RichNotificationWC::*action)()) {
    return [weakSelf = weak_from_this(), action] {
        if (const auto self = weakSelf.lock())
            ((*self).*action)();
    };
}

void RichNotificationWC::windowDidLoad() {
    m_appList = RemovedAppList::addToContainerView(m_window->appsContainer());
    QObject::connect(m_window.get(), &RichNotificationWindow::resized,
                     whenAlive(&RichNotificationWC::windowDidResize));
    // The panel keeps its corner when the screen changes size or another screen
    // becomes the primary one.
    QObject::connect(qGuiApp, &QGuiApplication::primaryScreenChanged, m_window.get(),
                     whenAlive(&RichNotificationWC::followPrimaryScreen));
    followPrimaryScreen();
    // The texts and the separator carry their colours, so a change of appearance,
    // which the main application may make at any time, builds them anew.
    QObject::connect(&AppAppearanceManager::shared(), &AppAppearanceManager::appearanceChanged,
                     m_window.get(), whenAlive(&RichNotificationWC::applyAppearance));
    QObject::connect(m_window->closeButton(), &QAbstractButton::clicked,
                     whenAlive(&RichNotificationWC::onNotificationClose));
    QObject::connect(m_window->completeUninstallButton(), &QAbstractButton::clicked,
                     whenAlive(&RichNotificationWC::onSelectCompleteUninstall));
    QObject::connect(m_window->helpButton(), &QAbstractButton::clicked,
                     whenAlive(&RichNotificationWC::onShowHelp));

    applyAppearance();
    m_window->closeButton()->setTitle(
        QString::fromStdString(RichNotificationWCLocalizable::closeButtonTitle()));
    m_window->completeUninstallButton()->setTitle(
        QString::fromStdString(AppsListLocalizable::uninstallButtonTitle()));
    m_window->setLevel(WindowLevel::floating);

    // Without a window system that changes a window's opacity the panel simply appears
    // (Qt would warn at every step of the animation).
    if (!WindowSystem::supportsOpacity())
        return;
    // One animation for the life of the window, which owns it: restarting it for the
    // next application never deletes an animation, running or not.
    m_fadeIn = new QPropertyAnimation(m_window.get(), "windowOpacity", m_window.get());
    m_fadeIn->setDuration(fadeInMilliseconds);
    m_fadeIn->setStartValue(0.0);
    m_fadeIn->setEndValue(1.0);
    RichNotificationView* panel = m_window->panel();
    QObject::connect(m_fadeIn, &QPropertyAnimation::finished, panel, [panel] { panel->update(); });
    // An X server applies a window's opacity only when Qt sends its queued requests,
    // which it otherwise does not do until the animation has ended; without this
    // the panel stays invisible for the whole second and then appears at once.
    if (WindowSystem::queuesRequests())
        QObject::connect(m_fadeIn, &QPropertyAnimation::valueChanged, panel, &WindowSystem::flush);
}

void RichNotificationWC::applyAppearance() {
    updateWindowContent();
    // Rows that show the same items are otherwise kept, colours and all.
    if (m_appList)
        m_appList->reloadAllRows();
    m_window->topSeparator()->setBackgroundColor(
        FigmaPalette::colorForFigmaColor(FigmaColor::stroke1));
}

void RichNotificationWC::followPrimaryScreen() {
    QObject::disconnect(m_screenGeometry);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        m_screenGeometry = QObject::connect(screen, &QScreen::geometryChanged, m_window.get(),
                                            whenAlive(&RichNotificationWC::windowDidResize));
    }
    placeWindow();
}

void RichNotificationWC::showNotification() {
    if (m_presenter) {
        presentElsewhere();
        return;
    }
    if (MacOSVersion::GetInstance().is_10_14_orHigher()) {
        AppAppearanceManager::shared().prepareBeforeAppWindowAppears(
            platform::SuiteDefaults::create(WatcherSettings::GetInstance().getMainAppBundleID()));
    }
    RichNotificationWindow* panel = window();
    if (m_fadeIn)
        panel->setWindowOpacity(0.0);
    if (panel->size() != QSize(windowWidth, windowHeight))
        panel->resize(windowWidth, windowHeight);
    // Placed before it shows, so that a first appearance does not jump.
    placeWindow();
    panel->show();

    startFadeIn();
    panel->raise();
}

void RichNotificationWC::startFadeIn() {
    if (!m_fadeIn)
        return;
    m_fadeIn->stop();
    m_fadeIn->start();
}

void RichNotificationWC::presentElsewhere() {
    m_presented = true;
    m_presenter->present(
        {generateTitleAttributedString().string(), generateDescriptionAttributedString().string(),
         QString::fromStdString(AppsListLocalizable::uninstallButtonTitle()),
         QString::fromStdString(RichNotificationWCLocalizable::closeButtonTitle())});
}

void RichNotificationWC::placeWindow() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!m_window || !screen)
        return;
    // The full frame of the screen, menu bar included.
    const QRect frame = screen->geometry();
    const QSize size = m_window->size();
    m_window->move(frame.x() + frame.width() - size.width() - rightOffset, frame.y() + topOffset);
}

void RichNotificationWC::windowDidResize() {
    placeWindow();
}

void RichNotificationWC::hideNotification() {
    m_bIsActive = false;
    m_showWaiting = false;
    m_arrRemoveInfo.clear();
    m_displayItems.clear();
    m_arrRemovedApps.clear();
    if (std::exchange(m_presented, false))
        m_presenter->withdraw();
    if (m_window) {
        if (m_fadeIn)
            m_fadeIn->stop();
        // Closed first: a visible window would be shown again to take the new level.
        m_window->close();
        m_window->setLevel(WindowLevel::normal);
    } else if (!m_presenter) {
        return;
    }
    // What the panel and its entries freed, and the pages its drawing read in, go
    // back once the helper has been idle as long as the knowledge base is kept (the
    // knowledge base's own release may have come while the panel was still open).
    if (m_idleMemoryRelease)
        m_idleMemoryRelease->cancel();
    m_idleMemoryRelease =
        platform::DelayedCall::after(KnowledgeBaseCache::kReleaseDelay, platform::globalQueue(),
                                     [] { platform::MemoryRelease::returnIdleMemory(); });
}

void RichNotificationWC::onSelectCompleteUninstall() {
    std::vector<std::shared_ptr<PathForRemove>> paths;
    for (const auto& [identifier, info] : m_arrRemoveInfo)
        info->addRemoveObjectPathsToArray(paths);
    NotificationsManager::GetInstance().removeFilePaths(paths);
    hideNotification();
}

void RichNotificationWC::onNotificationClose() {
    hideNotification();
}

void RichNotificationWC::onShowHelp() {
    window()->setLevel(WindowLevel::floating);
    QDesktopServices::openUrl(
        QUrl(QString::fromStdString(Consts::GetInstance().getCustomNotificationHelpURL())));
}

void RichNotificationWC::updateWindowContent() {
    if (!m_window)
        return;
    m_shownAppName = QString::fromStdString(m_sMainAppName);
    showTexts();
    if (m_bIsActive && m_nOtheAppCount == 0 && !m_window->textsFit())
        shortenAppNameToFit();
    // Where the name was shortened, the texts carry it whole as their tooltip.
    const QString fullName = m_shownAppName != QString::fromStdString(m_sMainAppName)
                                 ? QString::fromStdString(m_sMainAppName)
                                 : QString();
    m_window->titleLabel()->setToolTip(fullName);
    m_window->subtitleLabel()->setToolTip(fullName);
    m_window->appIconImgView()->setImage(getAppIcon());
    updateRemovedAppList();
    m_window->layoutContent();
}

void RichNotificationWC::showTexts() {
    m_window->subtitleLabel()->setAttributedText(generateDescriptionAttributedString());
    m_window->titleLabel()->setAttributedText(generateTitleAttributedString());
}

void RichNotificationWC::shortenAppNameToFit() {
    // The longest shortening that fits, by the width the name keeps; the name keeps its
    // beginning and its end, where versions and editions stand.
    const QString name = QString::fromStdString(m_sMainAppName);
    const QFontMetrics metrics(TextStyleData::forStyle(FigmaTextStyle::helperTitle).font());
    const auto shortened = [&](int width) {
        const QString text = metrics.elidedText(name, Qt::ElideMiddle, width);
        return text.isEmpty() ? QStringLiteral("\u2026") : text;
    };
    int fits = 0;
    int tooWide = metrics.horizontalAdvance(name);
    while (tooWide - fits > 1) {
        const int width = fits + (tooWide - fits) / 2;
        m_shownAppName = shortened(width);
        showTexts();
        if (m_window->textsFit())
            fits = width;
        else
            tooWide = width;
    }
    m_shownAppName = shortened(fits);
    showTexts();
}

void RichNotificationWC::updateRemovedAppList() {
    if (!m_window || !m_appList)
        return;
    RemovedAppList::Items items;
    if (m_nOtheAppCount != 0) {
        items.reserve(m_arrRemoveInfo.size());
        for (const auto& [identifier, info] : m_arrRemoveInfo)
            items.push_back(displayItemFor(*info));
    }
    m_appList->updateWithItems(std::move(items));

    const bool shown = m_appList->appsCount() > 0;
    RichNotificationWindow::Constraints constraints;
    constraints.applistHeightConstraint = shown ? 107 : 0;
    constraints.topSeparatorHeight = shown ? 1 : 0;
    constraints.windowWidthConstraint = shown ? 415 : 401;
    constraints.windowHeightConstraint = 100;
    constraints.buttonsWidthConstraint = shown ? 160 : 154;
    constraints.rightButtonRightConstraint = shown ? 14 : 15;
    constraints.buttonsTopConstraint = shown ? 12 : 4;
    m_window->setConstraints(constraints);
}

std::shared_ptr<const RemovedAppDisplayItem>
RichNotificationWC::displayItemFor(const RemainsInfo& info) {
    auto& [shownSize, item] = m_displayItems[&info];
    const std::uint64_t size = info.getTotalSize();
    if (!item) {
        item = std::make_shared<const RemovedAppDisplayItem>(info);
        shownSize = size;
    } else if (shownSize != size) {
        item = std::make_shared<const RemovedAppDisplayItem>(info, *item);
        shownSize = size;
    }
    return item;
}

QImage RichNotificationWC::getAppIcon() const {
    if (m_nOtheAppCount == 0)
        return WorkspaceIcon::iconForFile(m_sMainAppPath);
    return WorkspaceIcon::helperApplicationIcon();
}

AttributedString RichNotificationWC::generateTitleAttributedString() const {
    return RichNotificationTexts::title(m_nOtheAppCount + 1, m_shownAppName);
}

AttributedString RichNotificationWC::generateDescriptionAttributedString() const {
    if (!m_bIsActive)
        return {};
    RichNotificationTexts::Description figures;
    figures.applications = m_nOtheAppCount + 1;
    for (const auto& [identifier, info] : m_arrRemoveInfo)
        figures.bytes += info->getTotalSize();
    for (const auto& [path, app] : m_arrRemovedApps)
        figures.uninstalled += app->kind() == platform::Bundle::Kind::Flatpak ? 1 : 0;
    const auto main = m_arrRemovedApps.find(m_sMainAppPath);
    figures.wasUninstalled =
        main != m_arrRemovedApps.end() && main->second->kind() == platform::Bundle::Kind::Flatpak;
    figures.shownAppName = m_shownAppName;
    return RichNotificationTexts::description(figures);
}
