#include "notification/RemovedAppDisplayItem.h"

#include "notification/RemainsInfo.h"
#include "notification/WorkspaceIcon.h"
#include "shell/NSStringFileSize.h"

#include <utility>

RemovedAppDisplayItem::RemovedAppDisplayItem(const RemainsInfo& info)
    : RemovedAppDisplayItem(info, WorkspaceIcon::iconForFile(info.mainPath())) {}

RemovedAppDisplayItem::RemovedAppDisplayItem(const RemainsInfo& info,
                                             const RemovedAppDisplayItem& before)
    : RemovedAppDisplayItem(info, before.m_appIconImage) {}

RemovedAppDisplayItem::RemovedAppDisplayItem(const RemainsInfo& info, QImage icon)
    : m_name(QString::fromStdString(info.appName())), m_appIconImage(std::move(icon)) {
    if (const std::uint64_t total = info.getTotalSize(); total != 0)
        m_size = QString::fromStdString(NSStringFileSize::convertToStringFromFileSize(total));
}
