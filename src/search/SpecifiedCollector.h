#pragma once

#include "search/Collector.h"
#include "search/SpecifiedMutableSet.h"

#include <functional>
#include <memory>

// A Collector whose value for each key is a set of elements, empty when the key is new.
template <typename Key, typename Element, typename Hash = std::hash<Key>,
          typename Equal = std::equal_to<Key>>
class SpecifiedCollector
    : public Collector<Key, std::shared_ptr<SpecifiedMutableSet<Element>>, Hash, Equal> {
public:
    using Set = SpecifiedMutableSet<Element>;

    SpecifiedCollector()
        : Collector<Key, std::shared_ptr<Set>, Hash, Equal>(
              [] { return std::make_shared<Set>(); }) {}
};
