#pragma once

#include <cstddef>
#include <memory>

class DepFileItem;
class DomainIdentifier;
class FileItem;

// Collects what search rules find during one search. A rule offers every entry that
// its filters make a dependency item; an item the separator accepts becomes the
// parent item of the entries below it.
class SearchRuleSeparator {
public:
    virtual ~SearchRuleSeparator() = default;

    // Keeps the root of a tree a rule loaded, so that the items found in it keep their
    // paths for as long as the search result lives. Called before the first item found
    // in the tree is offered; a tree in which nothing is offered is never kept.
    virtual void saveFileItemsTree(const std::shared_ptr<FileItem>& root) = 0;
    // An entry a filter marked as a system item.
    virtual bool addSystemDepItem(const std::shared_ptr<DepFileItem>& item) = 0;
    // An entry a filter attributed to a domain.
    virtual bool
    addDepItemToDomainIdentifier(const std::shared_ptr<DepFileItem>& item,
                                 const std::shared_ptr<const DomainIdentifier>& domain) = 0;
    // Any other entry, with the item accepted above it in the same walk, if any.
    virtual bool addDepItemWithParentDepItem(const std::shared_ptr<DepFileItem>& item,
                                             const std::shared_ptr<DepFileItem>& parent) = 0;
    // How many items it has kept so far. A walk lets go of what lies below an entry of
    // its folder when this did not change while the entry was walked, so every item the
    // separator holds on to must count.
    virtual std::size_t keptItemCount() const = 0;
};
