#pragma once

#include <memory>
#include <string>

class DepFileItem;

// A node of the machinery that distributes dependency items among applications; only
// what DepFileItem asks of it.
class BundleTreeNode {
public:
    virtual ~BundleTreeNode() = default;

    // Whether `node` is a child of this node.
    virtual bool isHasChildTreeNode(const std::shared_ptr<BundleTreeNode>& node) const = 0;
    virtual void addDepFileItem(const std::shared_ptr<DepFileItem>& item) = 0;
    virtual void removeDepFileItem(const std::shared_ptr<DepFileItem>& item) = 0;
    // Records a note at a nesting depth.
    virtual void addReportMark(const std::string& mark, int deep) = 0;
};
