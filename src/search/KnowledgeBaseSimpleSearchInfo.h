#pragma once

#include "platform/Bundle.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class DepFileItem;
class FileItem;

// What the knowledge base knows about one removed application: the leftovers found,
// in the order found, and the roots of the trees they were found in. The roots are
// kept because an item builds its path through its parents, which it holds only
// weakly.
class KnowledgeBaseSimpleSearchInfo {
public:
    // An empty result for `bundle`, with its name and identifier filled in; null
    // without a bundle. The search fills the item lists afterwards.
    static std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
    create(std::shared_ptr<const platform::Bundle> bundle);

    // The finished search result for `bundle`, or null when no knowledge base can be
    // loaded. Runs synchronously; call it off the main thread.
    static std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
    generateForBundle(std::shared_ptr<const platform::Bundle> bundle);

    // CFBundleExecutable when it is a non-empty string, otherwise the bundle folder's
    // name without its extension.
    static std::string bundleNameForBundle(const platform::Bundle& bundle);

    const std::shared_ptr<const platform::Bundle>& bundle() const { return m_bundle; }
    const std::optional<std::string>& bundleName() const { return m_bundleName; }
    const std::optional<std::string>& bundleId() const { return m_bundleId; }

    const std::vector<std::shared_ptr<DepFileItem>>& relatedDepItems() const {
        return m_relatedDepItems;
    }
    void setRelatedDepItems(std::vector<std::shared_ptr<DepFileItem>> items) {
        m_relatedDepItems = std::move(items);
    }

    const std::vector<std::shared_ptr<FileItem>>& rootItems() const { return m_rootItems; }
    void setRootItems(std::vector<std::shared_ptr<FileItem>> items) {
        m_rootItems = std::move(items);
    }

private:
    explicit KnowledgeBaseSimpleSearchInfo(std::shared_ptr<const platform::Bundle> bundle);

    std::shared_ptr<const platform::Bundle> m_bundle;
    std::optional<std::string> m_bundleName;
    std::optional<std::string> m_bundleId;
    std::vector<std::shared_ptr<DepFileItem>> m_relatedDepItems;
    std::vector<std::shared_ptr<FileItem>> m_rootItems;
};
