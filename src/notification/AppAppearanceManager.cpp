#include "notification/AppAppearanceManager.h"

#include "notification/FigmaPalette.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>

AppAppearanceManager& AppAppearanceManager::shared() {
    static QPointer<AppAppearanceManager> manager;
    if (!manager)
        manager = new AppAppearanceManager(QCoreApplication::instance());
    return *manager;
}

AppAppearanceManager::AppAppearanceManager(QObject* parent) : QObject(parent) {
    // Writers replace the whole file, which ends a watch on the file itself, so
    // its folder is watched too and any change there reads the defaults again.
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { apply(); });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { apply(); });
}

void AppAppearanceManager::prepareBeforeAppWindowAppears(
    std::shared_ptr<platform::SuiteDefaults> userDefaults) {
    m_userDefaults = std::move(userDefaults);
    apply();
}

AppAppearanceType AppAppearanceManager::appearanceType() const {
    if (!m_userDefaults)
        return AppAppearanceType::automatic;
    return appAppearanceTypeFromValue(m_userDefaults->appAppearanceTypeValue());
}

void AppAppearanceManager::apply() {
    watch();
    const AppAppearanceType type = appearanceType();
    if (m_appliedType == type)
        return;
    m_appliedType = type;
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        switch (type) {
        case AppAppearanceType::automatic:
            // A palette that sets no role leaves every role to the system's theme.
            QApplication::setPalette(QPalette());
            break;
        case AppAppearanceType::light:
            QApplication::setPalette(paletteFor(Appearance::light));
            break;
        case AppAppearanceType::dark:
            QApplication::setPalette(paletteFor(Appearance::dark));
            break;
        }
    }
    emit appearanceChanged(type);
}

void AppAppearanceManager::watch() {
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    if (!m_userDefaults)
        return;
    const QString path = QString::fromStdString(m_userDefaults->path());
    const QString folder = QFileInfo(path).absolutePath();
    if (QFileInfo::exists(folder))
        m_watcher.addPath(folder);
    if (QFileInfo::exists(path))
        m_watcher.addPath(path);
}

QPalette AppAppearanceManager::paletteFor(Appearance appearance) {
    const ColorAssets& assets = ColorAssets::shared();
    const auto color = [&](FigmaColor figma) {
        return FigmaPalette::colorForFigmaColor(figma, assets, appearance);
    };
    QPalette palette(color(FigmaColor::buttonBg3), color(FigmaColor::bg1));
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, color(FigmaColor::text1));
        palette.setColor(group, QPalette::Base, color(FigmaColor::bg10));
        palette.setColor(group, QPalette::AlternateBase, color(FigmaColor::bg2));
        palette.setColor(group, QPalette::Text, color(FigmaColor::text1));
        palette.setColor(group, QPalette::ButtonText, color(FigmaColor::buttonText2));
        palette.setColor(group, QPalette::PlaceholderText, color(FigmaColor::text7));
        palette.setColor(group, QPalette::Highlight, color(FigmaColor::linkState));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Link, color(FigmaColor::linkState));
        palette.setColor(group, QPalette::ToolTipBase, color(FigmaColor::otherTooltip));
        palette.setColor(group, QPalette::ToolTipText, color(FigmaColor::bg1));
    }
    palette.setColor(QPalette::Disabled, QPalette::WindowText, color(FigmaColor::text10));
    palette.setColor(QPalette::Disabled, QPalette::Text, color(FigmaColor::text10));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText,
                     color(FigmaColor::buttonTextDisabled));
    return palette;
}
