#include "shell/VDKQueuePathEntry.h"

VDKQueuePathEntry::VDKQueuePathEntry(std::shared_ptr<platform::FileEventReader> reader,
                                     std::string path, std::uint32_t subscriptionFlags)
    : m_reader(std::move(reader)), m_path(std::move(path)), m_subscriptionFlags(subscriptionFlags) {
}

std::shared_ptr<VDKQueuePathEntry>
VDKQueuePathEntry::create(std::shared_ptr<platform::FileEventReader> reader, std::string path,
                          std::uint32_t subscriptionFlags, EventHandler handler) {
    if (!reader || path.empty() || !handler)
        return nullptr;
    std::shared_ptr<VDKQueuePathEntry> entry(
        new VDKQueuePathEntry(std::move(reader), std::move(path), subscriptionFlags));
    std::weak_ptr<VDKQueuePathEntry> weakEntry = entry;
    auto registration =
        entry->m_reader->subscribe(entry->m_path, subscriptionFlags,
                                   [weakEntry, handler = std::move(handler)](std::uint32_t notes) {
                                       handler(weakEntry, notes);
                                   });
    if (!registration)
        return nullptr;
    entry->m_registration = *registration;
    return entry;
}

VDKQueuePathEntry::~VDKQueuePathEntry() {
    if (m_registration.wd >= 0)
        m_reader->unsubscribe(m_registration);
}
