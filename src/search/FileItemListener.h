#pragma once

#include <memory>

class FileItem;

// Told about the items that appear in or disappear from a file tree. Every node of a
// tree is the listener of its children and passes their events on unchanged, so the
// root's listener hears of every change anywhere below it, with the item and its
// immediate parent.
class FileItemListener {
public:
    virtual ~FileItemListener() = default;

    // The item to be used as the parent of the items that report to this listener;
    // a listener that owns a root answers none, so that the root has no parent.
    virtual std::shared_ptr<FileItem> getFileItemParent() = 0;

    virtual void onAddedFileItem(const std::shared_ptr<FileItem>& item,
                                 const std::shared_ptr<FileItem>& parent) = 0;
    virtual void onRemovedFileItem(const std::shared_ptr<FileItem>& item,
                                   const std::shared_ptr<FileItem>& parent) = 0;
};
