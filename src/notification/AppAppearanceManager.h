#pragma once

#include "notification/AppAppearanceType.h"
#include "notification/ColorAssets.h"
#include "platform/SuiteDefaults.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QPalette>
#include <memory>
#include <optional>

// Gives the application the light or dark appearance chosen in the main
// application, by switching the QApplication's palette: a light or dark palette
// made of the colour assets, or the system's own palette for `automatic`.
// While it has defaults it follows changes of their file. Main thread only.
class AppAppearanceManager : public QObject {
    Q_OBJECT

public:
    // The shared manager, owned by the application object.
    static AppAppearanceManager& shared();

    explicit AppAppearanceManager(QObject* parent = nullptr);

    const std::shared_ptr<platform::SuiteDefaults>& userDefaults() const { return m_userDefaults; }

    // Keeps the defaults and applies their appearance at once.
    void prepareBeforeAppWindowAppears(std::shared_ptr<platform::SuiteDefaults> userDefaults);

    // The appearance the defaults ask for now: `automatic` without defaults.
    AppAppearanceType appearanceType() const;
    // The appearance last applied; none before the first.
    std::optional<AppAppearanceType> appliedType() const { return m_appliedType; }

    // The palette of one appearance, made of the colour assets.
    static QPalette paletteFor(Appearance appearance);

signals:
    void appearanceChanged(AppAppearanceType type);

private:
    void apply();
    void watch();

    std::shared_ptr<platform::SuiteDefaults> m_userDefaults;
    std::optional<AppAppearanceType> m_appliedType;
    QFileSystemWatcher m_watcher;
};
