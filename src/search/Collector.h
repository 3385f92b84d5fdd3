#pragma once

#include <functional>
#include <unordered_map>
#include <utility>

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
