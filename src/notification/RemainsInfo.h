#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class Bundle;
}
class PathForRemove;

// The leftovers of one removed application, as the notification reads and hands
// them on: the part of SimpleRemainsInfo the panel depends on. Main thread only.
class RemainsInfo {
public:
    virtual ~RemainsInfo() = default;

    // The application's executable name, else its bundle folder's name without extension.
    virtual std::string appName() const = 0;
    // The path of the bundle the entry was made for.
    virtual std::string mainPath() const = 0;
    // The bytes measured so far; it only grows, as size reports arrive.
    virtual std::uint64_t getTotalSize() const = 0;

    // Takes a further bundle of the same identifier.
    virtual void addBundle(const std::shared_ptr<platform::Bundle>& bundle) = 0;
    // Appends every leftover of the entry: the bundles first, then the rest.
    virtual void
    addRemoveObjectPathsToArray(std::vector<std::shared_ptr<PathForRemove>>& array) const = 0;
};
