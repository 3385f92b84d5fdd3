#include "notification/RemovedAppDisplayItem.h"

#include "notification/RemainsInfo.h"
#include "notification/WorkspaceIcon.h"
#include "shell/NSStringFileSize.h"

RemovedAppDisplayItem::RemovedAppDisplayItem(const RemainsInfo& info)
    : m_name(QString::fromStdString(info.appName())),
      m_appIconImage(WorkspaceIcon::iconForFile(info.mainPath())) {
    if (const std::uint64_t total = info.getTotalSize(); total != 0)
        m_size = QString::fromStdString(NSStringFileSize::convertToStringFromFileSize(total));
}
