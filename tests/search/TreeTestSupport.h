#pragma once

#include "search/FileItem.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

// Every node below `item` by its path relative to `item`; a node held twice fails.
inline void collectNodes(const std::shared_ptr<FileItem>& item, const std::string& prefix,
                         std::map<std::string, std::shared_ptr<FileItem>>& out) {
    if (const FileItem::Children* children = item->getChildren()) {
        for (const auto& [name, child] : *children) {
            EXPECT_EQ(name, child->getNameWithExt());
            std::string path =
                prefix.empty() ? child->getNameWithExt() : prefix + "/" + child->getNameWithExt();
            EXPECT_TRUE(out.emplace(path, child).second) << "twice: " << path;
            collectNodes(child, path, out);
        }
    }
}

inline std::map<std::string, std::shared_ptr<FileItem>>
nodesBelow(const std::shared_ptr<FileItem>& item) {
    std::map<std::string, std::shared_ptr<FileItem>> nodes;
    collectNodes(item, "", nodes);
    return nodes;
}

// The flags of an item as letters (Dir, Link, Package, Backup) and, when it has a
// child dictionary, "/" and the number of children: "D/2", "DP", "L", "".
inline std::string describe(const FileItem& item) {
    std::string text;
    if (item.isDir())
        text += 'D';
    if (item.isSymLink())
        text += 'L';
    if (item.isPackage())
        text += 'P';
    if (item.isBackup())
        text += 'B';
    if (const FileItem::Children* children = item.getChildren())
        text += "/" + std::to_string(children->size());
    return text;
}

// Records a tree's events as "+path in parent" and "-path in parent", paths relative
// to `base`.
class RecordingListener : public FileItemListener {
public:
    explicit RecordingListener(std::string base) : m_base(std::move(base) + "/") {}

    std::vector<std::string> events;

    std::shared_ptr<FileItem> getFileItemParent() override { return nullptr; }
    void onAddedFileItem(const std::shared_ptr<FileItem>& item,
                         const std::shared_ptr<FileItem>& parent) override {
        events.push_back("+" + relative(item) + " in " + parent->getNameWithExt());
    }
    void onRemovedFileItem(const std::shared_ptr<FileItem>& item,
                           const std::shared_ptr<FileItem>& parent) override {
        events.push_back("-" + relative(item) + " in " + parent->getNameWithExt());
    }

private:
    std::string relative(const std::shared_ptr<FileItem>& item) {
        const std::string& path = item->buildFullPath();
        return path.starts_with(m_base) ? path.substr(m_base.size()) : path;
    }

    std::string m_base;
};

} // namespace testing_support
