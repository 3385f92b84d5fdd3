#include "search/DepFileItem.h"

#include "knowledge/KnowledgeRecord.h"
#include "platform/Path.h"
#include "platform/PropertyList.h"
#include "search/BundleTreeNode.h"
#include "search/FileItem.h"
#include "shell/NSFileManagerUtils.h"
#include "shell/NSStringFileSize.h"

namespace {

// The separator type that may attach an item outside its parent item's node.
constexpr std::int32_t kUnrestrictedSeparatorType = 5;

constexpr const char* kContainerMetadataFile = ".com.apple.containermanagerd.metadata.plist";
constexpr const char* kContainerIdentifierKey = "MCMMetadataIdentifier";

} // namespace

std::shared_ptr<DepFileItem> DepFileItem::create(std::shared_ptr<FileItem> fileItem,
                                                 std::int32_t group) {
    return std::make_shared<DepFileItem>(Token(), std::move(fileItem), group);
}

DepFileItem::DepFileItem(Token, std::shared_ptr<FileItem> fileItem, std::int32_t group)
    : m_pFileItem(std::move(fileItem)), m_eType(group) {
    if (!m_pFileItem)
        return;
    // Folders are attributed by their whole name, anything else without its extension,
    // and a hidden item as if it were not hidden (.cache by "cache").
    const std::string& name = m_pFileItem->getNameWithExt();
    std::string separationName =
        m_pFileItem->isDir() ? name : platform::Path::deletingExtension(name);
    if (separationName.size() >= 2 && separationName.front() == '.')
        separationName.erase(0, 1);
    m_sNameUsedToSeparateItem = std::move(separationName);
}

std::shared_ptr<DepFileItem> DepFileItem::createCopyOfDepFileItem() const {
    auto copy = create(m_pFileItem, m_eType);
    copy->m_pParentDepFileItem = m_pParentDepFileItem;
    return copy;
}

void DepFileItem::clearSeparatorTypeAndChangeGroupType(std::int32_t group) {
    m_eType = group;
    m_eSeparatorType = 0;
}

std::string DepFileItem::getPath() const {
    return m_pFileItem ? m_pFileItem->buildFullPath() : std::string();
}

bool DepFileItem::isExist() const {
    return NSFileManagerUtils::fileExistsWithoutTraversingSymbolicLinkAtPath(getPath());
}

std::string DepFileItem::getNameUsedToSeparateItem() const {
    if (m_sNameUsedToSeparateItem)
        return *m_sNameUsedToSeparateItem;
    return m_pFileItem ? m_pFileItem->getNameWithExt() : std::string();
}

void DepFileItem::prepareForReseparate() {
    m_pParentDepFileItem.reset();
    if (std::shared_ptr<BundleTreeNode> node = m_pTreeNode.lock()) {
        node->removeDepFileItem(shared_from_this());
        m_pTreeNode.reset();
    }
    m_eSeparatorType = 0;
}

void DepFileItem::addToBundleTreeNode(const std::shared_ptr<BundleTreeNode>& node,
                                      std::int32_t separatorType) {
    if (static_cast<std::uint32_t>(separatorType) <= static_cast<std::uint32_t>(m_eSeparatorType))
        return;
    if (std::shared_ptr<DepFileItem> parent = m_pParentDepFileItem.lock()) {
        std::shared_ptr<BundleTreeNode> parentNode = parent->getCurrentBundleTree();
        if (parentNode && !parentNode->isHasChildTreeNode(node) &&
            separatorType != kUnrestrictedSeparatorType)
            return;
    }
    if (std::shared_ptr<BundleTreeNode> current = m_pTreeNode.lock())
        current->removeDepFileItem(shared_from_this());
    m_pTreeNode = node;
    m_eSeparatorType = separatorType;
    if (node)
        node->addDepFileItem(shared_from_this());
}

void DepFileItem::addReportMarkThatWasRemovedDueToParentFolder(const std::string& parentPath) {
    if (std::shared_ptr<BundleTreeNode> node = m_pTreeNode.lock())
        node->addReportMark(
            "file at path " + getPath() + " was removed due to parent folder: " + parentPath, 0);
}

std::optional<std::string> DepFileItem::assosiatedBundleIdentifier() {
    {
        platform::MutexLock lock(m_lock);
        if (m_assosiatedBundleIdentifierCachedFlag)
            return m_assosiatedBundleIdentifierCached;
    }
    // Read without the lock, since it reads the disk; when two threads race, the first
    // answer stored is the one kept.
    std::optional<std::string> calculated = calculateAssosiatedBundleIdentifier();
    platform::MutexLock lock(m_lock);
    if (!m_assosiatedBundleIdentifierCachedFlag) {
        m_assosiatedBundleIdentifierCachedFlag = true;
        m_assosiatedBundleIdentifierCached = std::move(calculated);
    }
    return m_assosiatedBundleIdentifierCached;
}

// A sandbox container folder names the application that owns it in a metadata file.
std::optional<std::string> DepFileItem::calculateAssosiatedBundleIdentifier() const {
    if (!m_pFileItem || !m_pFileItem->isDir())
        return std::nullopt;
    std::string metadataPath = platform::Path::appending(getPath(), kContainerMetadataFile);
    std::optional<platform::PlistValue> metadata = platform::PropertyList::readFile(metadataPath);
    if (!metadata || !metadata->asDictionary())
        return std::nullopt;
    const platform::PlistValue* identifier = metadata->get(kContainerIdentifierKey);
    if (!identifier || !identifier->asString())
        return std::nullopt;
    return NSStringFileSize::appropriateBundleIdentifierByHandlingGroupPrefix(
        *identifier->asString());
}

void DepFileItem::applyKnowledgeRecord(const KnowledgeRecord* record) {
    if (record)
        m_eType = record->dependecyType();
}
