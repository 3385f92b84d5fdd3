#include "shell/FlatpakWatcher.h"

#include "platform/DelayedCall.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/Path.h"
#include "platform/SerialQueue.h"
#include "shell/FlatpakKind.h"
#include "shell/FolderReturnWatch.h"
#include "shell/VDKQueue.h"

#include <algorithm>

namespace {

bool isFolder(const std::string& path) {
    return FolderReturnWatch::Identity::of(path).has_value();
}

void log(const std::string& text) {
    platform::Log::info(platform::Log::Component::Shell, text);
}

} // namespace

struct FlatpakWatcher::State {
    std::vector<FlatpakInstallations::Installation> installations;
    // The ids each installation had at its last listing; none while it was never there.
    std::vector<std::optional<std::set<std::string>>> known;
    FlatpakMemory memory;
};

FlatpakWatcher::FlatpakWatcher(Report report)
    : m_report(std::move(report)), m_installations(FlatpakInstallations::all()),
      m_state(std::make_shared<State>()),
      m_listings(std::make_shared<std::atomic<std::size_t>>(0)) {}

FlatpakWatcher::~FlatpakWatcher() {
    if (m_pending)
        m_pending->cancel();
    if (m_queue) {
        m_queue->setDelegate({});
        m_queue->removeAllPaths();
    }
}

std::shared_ptr<FlatpakWatcher> FlatpakWatcher::create(Report report) {
    std::shared_ptr<FlatpakWatcher> watcher(new FlatpakWatcher(std::move(report)));
    watcher->start();
    return watcher;
}

void FlatpakWatcher::start() {
    m_work = platform::SerialQueue::create("flatpak");
    m_queue = VDKQueue::create();
    if (m_queue)
        m_queue->setDelegate(weak_from_this());
    m_returnWatches.resize(m_installations.size());
    m_state->installations = m_installations;
    m_state->known.resize(m_installations.size());
    for (std::size_t index = 0; index < m_installations.size(); ++index)
        attach(index);
    if (m_work)
        m_work->async([state = m_state] { state->memory = FlatpakMemory::load(); });
    list(true);
}

std::vector<bool> FlatpakWatcher::watchedInstallations() const {
    std::vector<bool> watched;
    for (const auto& wait : m_returnWatches)
        watched.push_back(wait == nullptr);
    return watched;
}

void FlatpakWatcher::attach(std::size_t index) {
    const std::string& path = m_installations[index].path;
    if (!m_queue)
        return;
    if (!isFolder(path)) {
        m_queue->removePath(path);
        m_queue->removePath(path + "/app");
        m_queue->removePath(path + "/.changed");
        if (m_returnWatches[index])
            return;
        std::weak_ptr<FlatpakWatcher> weakSelf = weak_from_this();
        m_returnWatches[index] = FolderReturnWatch::create(path, [weakSelf, index] {
            if (auto self = weakSelf.lock()) {
                self->m_returnWatches[index].reset();
                self->attach(index);
                self->scheduleListing();
            }
        });
        return;
    }
    // Each is watched once; a path gone and made again is watched anew.
    for (const std::string& watched : {path, path + "/app", path + "/.changed"}) {
        if (platform::FileSystem::fileExists(watched))
            m_queue->addPath(watched);
    }
}

void FlatpakWatcher::vdkQueue(VDKQueue&, const std::string& noteName, const std::string& fpath) {
    if (FolderReturnWatch::isLoss(noteName))
        m_queue->removePath(fpath);
    for (std::size_t index = 0; index < m_installations.size(); ++index) {
        const std::string& path = m_installations[index].path;
        if (fpath == path || fpath.starts_with(path + "/"))
            attach(index);
    }
    scheduleListing();
}

void FlatpakWatcher::scheduleListing() {
    if (m_pending)
        m_pending->cancel();
    std::weak_ptr<FlatpakWatcher> weakSelf = weak_from_this();
    m_pending =
        platform::DelayedCall::after(kQuietDelay, platform::MainQueue::shared(), [weakSelf] {
            if (auto self = weakSelf.lock())
                self->list(false);
        });
}

void FlatpakWatcher::list(bool atStart) {
    if (!m_work)
        return;
    std::weak_ptr<FlatpakWatcher> weakSelf = weak_from_this();
    m_work->async([state = m_state, listings = m_listings, weakSelf, atStart] {
        std::set<std::string> before;
        for (const auto& ids : state->known) {
            if (ids)
                before.insert(ids->begin(), ids->end());
        }
        std::set<std::string> after;
        std::vector<bool> present(state->installations.size(), false);
        bool changed = false;
        for (std::size_t index = 0; index < state->installations.size(); ++index) {
            const std::string& installation = state->installations[index].path;
            const auto installed = FlatpakInstallations::installedApplications(installation);
            if (!installed) {
                // Not there (yet, or its volume went away): what it had stays installed.
                if (state->known[index])
                    after.insert(state->known[index]->begin(), state->known[index]->end());
                continue;
            }
            present[index] = true;
            std::set<std::string> ids;
            for (const auto& [id, commit] : *installed) {
                ids.insert(id);
                after.insert(id);
                auto& records = state->memory.records();
                const auto known = records.find(id);
                // Read again after an update or a new install; a copy in a second
                // installation adds nothing.
                if (known == records.end() || known->second.uninstalled != 0 ||
                    (known->second.installation == installation &&
                     known->second.commit != commit)) {
                    records[id] = FlatpakMemory::readInstalled(id, installation, commit);
                    changed = true;
                }
            }
            state->known[index] = std::move(ids);
        }
        if (atStart) {
            // Remembered from an earlier run, in an installation that is here to ask.
            for (const auto& [id, record] : state->memory.records()) {
                if (record.uninstalled != 0)
                    continue;
                const std::string& remembered = record.installation;
                const auto where = std::find_if(
                    state->installations.begin(), state->installations.end(),
                    [&](const auto& installation) { return installation.path == remembered; });
                const bool askable =
                    where != state->installations.end()
                        ? present[static_cast<std::size_t>(where - state->installations.begin())]
                        : isFolder(remembered);
                if (askable)
                    before.insert(id);
            }
        }
        std::vector<FlatpakMemory::Record> uninstalled;
        for (const std::string& id : before) {
            if (after.count(id))
                continue;
            auto& records = state->memory.records();
            const auto known = records.find(id);
            if (known == records.end()) {
                uninstalled.push_back(FlatpakMemory::Record{id, {}, {}, {}, {}, {}, 0});
                continue;
            }
            uninstalled.push_back(known->second);
            state->memory.markUninstalled(id);
            changed = true;
        }
        // The reports go first: saving syncs the disk, which the panel need not wait for.
        if (!uninstalled.empty())
            platform::MainQueue::shared().async([weakSelf, uninstalled = std::move(uninstalled)] {
                const auto self = weakSelf.lock();
                if (!self)
                    return;
                for (const FlatpakMemory::Record& record : uninstalled) {
                    log("Flatpak application uninstalled: " + record.id);
                    if (auto bundle = FlatpakKind::applicationFor(record); bundle && self->m_report)
                        self->m_report(bundle);
                }
            });
        if (changed && !state->memory.save())
            platform::Log::warning(platform::Log::Component::Shell,
                                   "could not remember the installed Flatpak applications in " +
                                       FlatpakMemory::folder());
        listings->fetch_add(1);
    });
}
