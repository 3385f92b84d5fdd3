#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

// Maps whose values are unordered sets of shared objects, compared by identity, with
// sets created on first use. A missing key or object leaves a map unchanged.
class NSMutableDictionarySeparator {
public:
    template <typename T> using ObjectSet = std::unordered_set<std::shared_ptr<T>>;
    template <typename T> using SetMap = std::unordered_map<std::string, ObjectSet<T>>;
    template <typename T> using TwoLevelSetMap = std::unordered_map<std::string, SetMap<T>>;

    template <typename T>
    static void addObject(SetMap<T>& map, const std::shared_ptr<T>& object,
                          const std::optional<std::string>& key) {
        if (object && key)
            map[*key].insert(object);
    }

    // Files the object under `additionalKey` in the inner map under `key`.
    template <typename T>
    static void addObject(TwoLevelSetMap<T>& map, const std::shared_ptr<T>& object,
                          const std::optional<std::string>& key,
                          const std::optional<std::string>& additionalKey) {
        if (object && key && additionalKey)
            map[*key][*additionalKey].insert(object);
    }

    // The set under `key`, or none.
    template <typename T>
    static const ObjectSet<T>* setOfObjectsWithSeparatorKey(const SetMap<T>& map,
                                                            const std::optional<std::string>& key) {
        if (!key)
            return nullptr;
        auto found = map.find(*key);
        return found == map.end() ? nullptr : &found->second;
    }

    // Empties the set under `key` but keeps it.
    template <typename T>
    static void clearObjectsWithSeparatorKey(SetMap<T>& map,
                                             const std::optional<std::string>& key) {
        if (!key)
            return;
        auto found = map.find(*key);
        if (found != map.end())
            found->second.clear();
    }
};
