#pragma once

#include <QImage>
#include <QString>

class RemainsInfo;

// The data of one row of the removed-applications list, fixed when it is made.
class RemovedAppDisplayItem {
public:
    explicit RemovedAppDisplayItem(const RemainsInfo& info);
    // The entry's row again with its new size; the icon, read from disk, is the one it had.
    RemovedAppDisplayItem(const RemainsInfo& info, const RemovedAppDisplayItem& before);

    const QString& name() const { return m_name; }
    const QImage& appIconImage() const { return m_appIconImage; }
    // Empty while nothing has been measured; the size text once bytes are known.
    const QString& size() const { return m_size; }

private:
    RemovedAppDisplayItem(const RemainsInfo& info, QImage icon);

    QString m_name;
    QImage m_appIconImage;
    QString m_size;
};
