#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

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
