#include "search/SimpleRemainsInfo.h"

#include "platform/Deadline.h"
#include "platform/FileSystem.h"
#include "platform/GlobalQueue.h"
#include "platform/MainQueue.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "platform/Utf8.h"
#include "search/AppDependencyGroup.h"
#include "search/DepFileItem.h"
#include "search/HomeSettingsFolders.h"
#include "search/InstalledCopyCheck.h"
#include "search/KnowledgeBaseSimpleSearchInfo.h"
#include "search/SimpleSizeCalculation.h"
#include "search/SimpleSizeCalculationTask.h"
#include "shell/ApplicationKinds.h"
#include "shell/NSFileManagerUtils.h"
#include "shell/NSStringFileSize.h"
#include "shell/PathsGenerator.h"

#include <algorithm>

namespace {

// Both ends compare ignoring case and may not overlap; an empty suffix is held by
// every name.
bool hasPrefixAndSuffix(const std::string& name, const std::string& prefix,
                        const std::string& suffix) {
    return name.size() >= prefix.size() + suffix.size() &&
           platform::Text::caseInsensitiveHasPrefix(name, prefix) &&
           (suffix.empty() || platform::Text::caseInsensitiveHasSuffix(name, suffix));
}

// "com.example.foo" begins "com.example.foo.agent.plist" and "com.example.foo_agent.plist"
// as a whole part, but not "com.example.foobar.plist" nor "com.example.foo-helper.plist"
// (a "-" may continue another application's identifier).
bool prefixEndsAtBoundary(const std::string& name, const std::string& prefix) {
    if (platform::Utf8::isAscii(name) && platform::Utf8::isAscii(prefix))
        return name.size() > prefix.size() &&
               OfferSafetyPass::isBoundaryAfterIdentifier(name[prefix.size()]);
    for (const char* boundary : {".", "_", " "}) {
        if (platform::Text::caseInsensitiveHasPrefix(name, prefix + boundary))
            return true;
    }
    return false;
}

} // namespace

using Location = SimpleRemainsInfo::StandardLocation;
using Name = SimpleRemainsInfo::StandardLocation::Name;

const std::vector<Location>& SimpleRemainsInfo::standardLocations() {
    static const std::vector<Location> locations{
        {Kind::File, "Library/Caches", Name::BundleId, "", 8},
        {Kind::File, "Library/Saved Application State", Name::BundleId, ".savedState", 8},
        {Kind::File, "Library/Preferences", Name::BundleId, ".plist", 10},
        {Kind::File, "Library/Preferences", Name::BundleName, "", 10},
        {Kind::File, "Library/Logs", Name::BundleName, ".log", 11},
        {Kind::File, "Library/Cookies", Name::BundleId, ".cookies", 12},
        {Kind::File, "Library/Containers", Name::BundleId, "", 9},
        {Kind::File, "Library/Application Support/Caches/com.apple.helpd/Generated", Name::BundleId,
         ".help", 3},
        {Kind::File,
         "Library/Application Support/Caches/com.apple.helpd/SDMHelpData/Other/English/"
         "HelpSDMIndexFile",
         Name::BundleId, ".help", 3},
        {Kind::File, "Library/Application Support/Growl/Tickets", Name::BundleName, ".growlTicket",
         3},
        {Kind::File, "Library/Application Support", Name::BundleName, "", 3},
        {Kind::Prefix, "Library/LaunchAgents", Name::BundleId, ".plist", 3},
        {Kind::Prefix, "Library/Application Support/CrashReporter", Name::BundleName, ".plist", 13},
    };
    return locations;
}

namespace {

// Every name the application goes by, for the safety pass to compare with the names
// of what else is installed.
std::vector<std::string> namesOfBundle(const platform::Bundle& bundle,
                                       const std::string& bundleName) {
    std::vector<std::string> names{bundleName};
    for (const char* key : {"CFBundleName", "CFBundleDisplayName"}) {
        if (const platform::PlistValue* value = bundle.objectForInfoDictionaryKey(key)) {
            if (const std::string* name = value->asString())
                names.push_back(*name);
        }
    }
    names.push_back(
        platform::Path::deletingExtension(platform::Path::lastComponent(bundle.bundlePath())));
    return names;
}

// How a standard place's name stands for the application: its executable, or, for a
// bundle without one, its folder's name.
OfferReason::Match nameMatch(const platform::Bundle& bundle) {
    const platform::PlistValue* executable =
        bundle.objectForInfoDictionaryKey("CFBundleExecutable");
    return executable && executable->asString() ? OfferReason::Match::Executable
                                                : OfferReason::Match::Name;
}

} // namespace

std::shared_ptr<SimpleRemainsInfo>
SimpleRemainsInfo::create(std::shared_ptr<const platform::Bundle> bundle,
                          std::weak_ptr<SimpleRemainsInfoListener> listener,
                          std::shared_ptr<const InstalledApplications> installed) {
    if (!bundle)
        return nullptr;
    std::shared_ptr<SimpleRemainsInfo> info(
        new SimpleRemainsInfo(bundle, std::move(listener), std::move(installed)));
    // Size tasks refer back to the object, so they can only be made once it is shared.
    info->addBundle(*bundle);
    info->findRemains();
    return info;
}

SimpleRemainsInfo::SimpleRemainsInfo(std::shared_ptr<const platform::Bundle> bundle,
                                     std::weak_ptr<SimpleRemainsInfoListener> listener,
                                     std::shared_ptr<const InstalledApplications> installed)
    : m_pListener(std::move(listener)), m_sBundleID(bundle->bundleIdentifier()),
      m_sBundleName(KnowledgeBaseSimpleSearchInfo::bundleNameForBundle(*bundle)),
      m_mainPath(bundle->bundlePath()), m_bundle(bundle),
      m_pass(m_sBundleID, namesOfBundle(*bundle, m_sBundleName), bundle->bundlePath(),
             PathsGenerator::GetInstance().getHomeDirectory(), std::move(installed)) {}

std::string SimpleRemainsInfo::displayName() const {
    return ApplicationKinds::displayNameOf(*m_bundle).value_or(m_sBundleName);
}

void SimpleRemainsInfo::addBundle(const platform::Bundle& bundle) {
    // An uninstalled Flatpak application is gone already, with its installation's files.
    if (bundle.kind() == platform::Bundle::Kind::Flatpak)
        return;
    const std::optional<std::string> identifier = bundle.bundleIdentifier();
    if (identifier && m_sBundleID && *identifier == *m_sBundleID)
        addPathForRemove(bundle.bundlePath(), 0, OfferReason::bundle());
}

void SimpleRemainsInfo::appendKnowledgeBaseInfo(const KnowledgeBaseSimpleSearchInfo& info) {
    for (const std::shared_ptr<DepFileItem>& item : info.relatedDepItems()) {
        if (item)
            addPathForRemove(item->getPath(), item->getGroupType(), item->reason());
    }
}

void SimpleRemainsInfo::addRemoveObjectPathsToArray(
    std::vector<std::shared_ptr<PathForRemove>>& array) const {
    array.insert(array.end(), m_arrAppObjectPaths.begin(), m_arrAppObjectPaths.end());
    array.insert(array.end(), m_arrRemainsObjectPaths.begin(), m_arrRemainsObjectPaths.end());
}

void SimpleRemainsInfo::findRemains() {
    m_homePath = PathsGenerator::GetInstance().getHomeDirectory();
    // An application of another kind has standard places of its own instead.
    if (const ApplicationKind* kind = ApplicationKinds::of(*m_bundle)) {
        for (const ApplicationKind::Place& place : kind->standardPlaces(*m_bundle))
            addPathForRemove(place.path, place.group, place.reason);
        return;
    }
    const std::string bundleId = m_sBundleID.value_or(std::string());
    const OfferReason::Match byName = nameMatch(*m_bundle);
    int row = 0;
    for (const Location& location : standardLocations()) {
        const bool byIdentifier = location.name == Name::BundleId;
        const std::string& name = byIdentifier ? bundleId : m_sBundleName;
        const OfferReason reason = OfferReason::standardPlace(
            ++row, location.subPath, byIdentifier ? OfferReason::Match::Identifier : byName,
            location.kind == Kind::File ? OfferReason::Mode::Exact : OfferReason::Mode::Prefix,
            name);
        if (location.kind == Kind::File)
            addFileWithSubPath(location.subPath, name, location.extension, location.group, reason);
        else
            addPathInSubFolder(location.subPath, name, location.extension, location.group, reason,
                               location.name == Name::BundleId);
    }
    addSettingsFolders();
}

// "~/.config/<name>" and "~/.<name>" of cross-platform applications.
void SimpleRemainsInfo::addSettingsFolders() {
    for (const auto& candidate :
         HomeSettingsFolders::find(m_homePath, namesOfBundle(*m_bundle, m_sBundleName)))
        addPathForRemove(candidate.path,
                         static_cast<std::int32_t>(AppDependencyGroup::ApplicationSupport),
                         candidate.reason);
}

std::vector<SimpleRemainsInfo::DroppedOffer> SimpleRemainsInfo::droppedOffers() const {
    // A path refused for one reason and offered for another is offered.
    std::vector<DroppedOffer> dropped;
    for (const DroppedOffer& offer : m_dropped) {
        const auto path = OfferSafetyPass::normalizedPath(offer.path);
        if (!path || !m_addedPaths.contains(*path))
            dropped.push_back(offer);
    }
    return dropped;
}

void SimpleRemainsInfo::addFileWithSubPath(const std::string& subPath, const std::string& name,
                                           const std::string& ext, std::int32_t type,
                                           const OfferReason& reason) {
    if (name.empty() || subPath.empty() || m_homePath.empty())
        return;
    const std::string folder = platform::Path::appending(m_homePath, subPath);
    if (std::optional<std::string> path = createSafeToDeletePathInFolder(folder, name + ext)) {
        addPath(*path, type, reason);
        addCaseVariants(*path, type, reason);
    }
}

// The application's platform finds "Discord" when asked for "discord"; a
// case-sensitive file system may even hold both, and both are the application's.
void SimpleRemainsInfo::addCaseVariants(const std::string& path, std::int32_t type,
                                        const OfferReason& reason) {
    const std::string folder = platform::Path::deletingLastComponent(path);
    const std::string name = platform::Path::lastComponent(path);
    std::optional<std::vector<std::string>> names =
        platform::FileSystem::contentsOfDirectory(folder);
    if (!names)
        return;
    std::sort(names->begin(), names->end());
    for (const std::string& entry : *names) {
        if (entry != name && platform::Text::caseInsensitiveEquals(entry, name))
            addPathForRemove(platform::Path::appending(folder, entry), type, reason);
    }
}

std::optional<std::string>
SimpleRemainsInfo::createSafeToDeletePathInFolder(const std::string& folder,
                                                  const std::string& fileName) const {
    if (folder.empty() || fileName.find('\0') != std::string::npos)
        return std::nullopt;
    std::string path =
        platform::Path::standardizing(platform::Path::appending(folder, fileName), m_homePath);
    if (!NSStringFileSize::isInFolder(path, folder))
        return std::nullopt;
    return path;
}

void SimpleRemainsInfo::addPath(const std::string& path, std::int32_t type,
                                const OfferReason& reason) {
    if (NSFileManagerUtils::fileExistsWithoutTraversingSymbolicLinkAtPath(path))
        addPathForRemove(path, type, reason);
}

void SimpleRemainsInfo::addPathInSubFolder(const std::string& subPath, const std::string& prefix,
                                           const std::string& suffix, std::int32_t type,
                                           const OfferReason& reason, bool wholeParts) {
    // An empty prefix would match every entry, so a missing name takes nothing.
    if (subPath.empty() || prefix.empty() || m_homePath.empty())
        return;
    const std::string folder = platform::Path::appending(m_homePath, subPath);
    if (!NSFileManagerUtils::fileExistsWithoutTraversingSymbolicLinkAtPath(folder))
        return;
    const std::optional<std::vector<std::string>> names =
        platform::FileSystem::contentsOfDirectory(folder);
    if (!names)
        return;
    for (const std::string& name : *names) {
        if (hasPrefixAndSuffix(name, prefix, suffix) &&
            (!wholeParts || prefixEndsAtBoundary(name, prefix)))
            addPathForRemove(platform::Path::appending(folder, name), type, reason);
    }
}

void SimpleRemainsInfo::addPathForRemove(const std::string& path, std::int32_t type,
                                         const OfferReason& reason) {
    const OfferSafetyPass::Verdict verdict = m_pass.check({path, reason});
    if (!verdict.accepted()) {
        m_dropped.push_back({path, reason.text(), verdict.why});
        return;
    }
    if (!m_addedPaths.insert(verdict.path).second) {
        if (auto record = recordAt(verdict.path))
            addReasons(record, {reason});
        return;
    }
    takePath(verdict.path, type, reason);
}

void SimpleRemainsInfo::takePath(const std::string& path, std::int32_t type,
                                 const OfferReason& reason) {
    std::vector<OfferReason> reasons{reason};
    for (auto* list : {&m_arrAppObjectPaths, &m_arrRemainsObjectPaths}) {
        for (std::size_t index = 0; index < list->size();) {
            const std::shared_ptr<PathForRemove> record = (*list)[index];
            if (OfferSafetyPass::isInside(path, record->path())) {
                addReasons(record, reasons);
                return;
            }
            if (OfferSafetyPass::isInside(record->path(), path)) {
                list->erase(list->begin() + static_cast<std::ptrdiff_t>(index));
                for (OfferReason& inner : takeBackRecord(record))
                    reasons.push_back(std::move(inner));
                continue;
            }
            ++index;
        }
    }
    std::shared_ptr<PathForRemove> record =
        PathForRemove::create(path, type, m_sBundleID.value_or(std::string()));
    if (!record)
        return;
    (type == 0 ? m_arrAppObjectPaths : m_arrRemainsObjectPaths).push_back(record);
    addReasons(record, reasons);
    addSizeOfPath(record);
}

std::shared_ptr<PathForRemove> SimpleRemainsInfo::recordAt(const std::string& path) const {
    for (const auto* list : {&m_arrAppObjectPaths, &m_arrRemainsObjectPaths}) {
        for (const auto& record : *list) {
            if (record->path() == path || OfferSafetyPass::isInside(path, record->path()))
                return record;
        }
    }
    return nullptr;
}

void SimpleRemainsInfo::addReasons(const std::shared_ptr<PathForRemove>& record,
                                   const std::vector<OfferReason>& reasons) {
    std::vector<OfferReason>& kept = m_reasons[record.get()];
    kept.insert(kept.end(), reasons.begin(), reasons.end());
    record->setReason(reasonsText(kept));
}

// A record that a later, outer path stands for: it is no longer measured or counted.
std::vector<OfferReason>
SimpleRemainsInfo::takeBackRecord(const std::shared_ptr<PathForRemove>& record) {
    for (auto task = m_pendingTasks.begin(); task != m_pendingTasks.end();) {
        task = task->second == record ? m_pendingTasks.erase(task) : std::next(task);
    }
    m_sizes.remove(record.get());
    std::vector<OfferReason> reasons = std::move(m_reasons[record.get()]);
    m_reasons.erase(record.get());
    return reasons;
}

void SimpleRemainsInfo::addSizeOfPath(const std::shared_ptr<PathForRemove>& record) {
    auto task = std::make_shared<SimpleSizeCalculationTask>(
        record->path(), std::weak_ptr<SimpleSizeCalculationTaskListener>(shared_from_this()));
    m_pendingTasks.emplace(task, record);
    SimpleSizeCalculation::GetInstance()->addTask(task);
}

void SimpleRemainsInfo::onSimpleSizeCalculationTaskComplete(
    const std::shared_ptr<SimpleSizeCalculationTask>& task) {
    if (!task)
        return;
    const std::uint64_t size = task->itemSize();
    if (size == SimpleSizeCalculationTask::kSizeNotCalculated)
        return;
    // A path that another taken path came to stand for is no longer counted.
    auto found = m_pendingTasks.find(task);
    if (found == m_pendingTasks.end())
        return;
    found->second->setSize(size);
    m_sizes.set(found->second.get(), size, task->linkedFiles());
    m_pendingTasks.erase(found);
    updateSize();
}

void SimpleRemainsInfo::updateSize() {
    m_nTotalSize = m_sizes.total();
    if (auto listener = m_pListener.lock())
        listener->onSimpleRemainsInfoChanged(shared_from_this());
}

void SimpleRemainsInfo::calculateIsCanShowNotificationForBundleWithID(
    const std::string& bundleId, std::function<void()> okBlock) {
    InstalledCopyCheck::start(bundleId, std::move(okBlock));
}

void SimpleRemainsInfo::calculateIsCanShowNotificationForApp(
    std::shared_ptr<const platform::Bundle> app, std::function<void()> okBlock) {
    if (!app)
        return;
    const ApplicationKind* kind = ApplicationKinds::of(*app);
    const std::string identifier = app->bundleIdentifier().value_or(std::string());
    if (!kind) {
        InstalledCopyCheck::start(identifier, std::move(okBlock));
        return;
    }
    if (identifier.empty())
        return;
    const auto deadline = platform::deadlineAfter(
        std::chrono::duration<double>(InstalledCopyCheck::kTimeLimitSeconds));
    platform::GlobalQueue::shared().async([kind, app, deadline, okBlock = std::move(okBlock)] {
        if (!kind->anotherCopyInstalled(*app, deadline))
            platform::MainQueue::shared().async(okBlock);
    });
}
