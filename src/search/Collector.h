#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

// A dictionary that makes the value for a key on first use, with the builder it was given.
// References to values stay valid until their key is removed.
template <typename Key, typename Value, typename Hash = std::hash<Key>,
          typename Equal = std::equal_to<Key>>
class Collector {
public:
    using Builder = std::function<Value()>;

    // Without a builder, new values are value-initialised.
    explicit Collector(Builder builder) : m_builder(std::move(builder)) {}

    // The value for `key`, made by the builder and stored when the key is new.
    Value& valueForKey(const Key& key) {
        auto found = m_values.find(key);
        if (found == m_values.end())
            found = m_values.emplace(key, m_builder ? m_builder() : Value{}).first;
        return found->second;
    }

    // The value for `key` without making one; nullptr when the key is new.
    Value* existingValueForKey(const Key& key) {
        auto found = m_values.find(key);
        return found == m_values.end() ? nullptr : &found->second;
    }
    const Value* existingValueForKey(const Key& key) const {
        auto found = m_values.find(key);
        return found == m_values.end() ? nullptr : &found->second;
    }

    bool isEmpty() const { return m_values.empty(); }

    // Calls `visit(key, value)` for every pair, in no particular order.
    template <typename Visitor> void enumerateKeysAndValues(Visitor&& visit) const {
        for (const auto& [key, value] : m_values)
            visit(key, value);
    }

    void removeValueForKey(const Key& key) { m_values.erase(key); }

    // Removes every key and releases the storage.
    void removeAllValues() { std::unordered_map<Key, Value, Hash, Equal>().swap(m_values); }

private:
    Builder m_builder;
    std::unordered_map<Key, Value, Hash, Equal> m_values;
};

// A set of elements of one type. Objects held through std::shared_ptr compare by
// identity.
template <typename Element, typename Hash = std::hash<Element>,
          typename Equal = std::equal_to<Element>>
class SpecifiedMutableSet {
public:
    void addObject(Element element) { m_elements.insert(std::move(element)); }

    // Some element of the set; none when it is empty.
    std::optional<Element> anyObject() const {
        if (m_elements.empty())
            return std::nullopt;
        return *m_elements.begin();
    }

    std::vector<Element> allObjects() const {
        return std::vector<Element>(m_elements.begin(), m_elements.end());
    }

    std::size_t count() const { return m_elements.size(); }

private:
    std::unordered_set<Element, Hash, Equal> m_elements;
};

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
