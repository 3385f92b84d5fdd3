// Feeds arbitrary bytes to the XML reader, then walks the whole tree, checks its links
// and asks every query of every element. Then reads the same bytes again with the root's
// first child streamed, which must hand over exactly the children the tree holds there.
#include "knowledge/TBXML.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

void require(bool condition) {
    if (!condition)
        __builtin_trap();
}

void visit(const _TBXMLElement* element) {
    if (element->firstChild) {
        require(element->text == nullptr);
        require(element->firstChild->previousSibling == nullptr);
    }
    if (element->nextSibling)
        require(element->nextSibling->previousSibling == element);
    for (const _TBXMLElement* child = element->firstChild; child; child = child->nextSibling)
        require(child->parentElement == element);

    std::string name = TBXML::elementName(element);
    TBXML::textForElement(element);
    for (const _TBXMLAttribute* attribute = element->firstAttribute; attribute;
         attribute = attribute->next) {
        std::string_view attributeName(attribute->name);
        const _TBXMLAttribute* first = element->firstAttribute;
        while (std::strcmp(first->name, attribute->name) != 0)
            first = first->next;
        auto value = TBXML::valueOfAttributeNamed(attributeName, element);
        if (value)
            require(*value == first->value);
    }
    if (element->parentElement && !name.empty())
        require(TBXML::childElementNamed(name, element->parentElement) != nullptr);
}

// The element and everything below it, in document order, as one string.
std::string trace(const _TBXMLElement* top) {
    std::string out;
    const _TBXMLElement* element = top;
    while (element) {
        out += TBXML::elementName(element) + "(" + TBXML::textForElement(element);
        for (const _TBXMLAttribute* attribute = element->firstAttribute; attribute;
             attribute = attribute->next)
            out += std::string(" ") + attribute->name + "=" + attribute->value;
        out += ")";
        if (element->firstChild) {
            element = element->firstChild;
            continue;
        }
        while (element != top && !element->nextSibling) {
            element = element->parentElement;
            out += "/";
        }
        element = element == top ? nullptr : element->nextSibling;
    }
    return out;
}

void compareWithStreaming(const std::uint8_t* data, size_t size, const _TBXMLElement* root) {
    if (!root || !root->firstChild || !*root->firstChild->name || !*root->name)
        return;
    const std::string rootName = root->name;
    const std::string sectionName = root->firstChild->name;
    std::vector<std::string> expected;
    if (const _TBXMLElement* section = TBXML::childElementNamed(sectionName, root)) {
        for (const _TBXMLElement* child = section->firstChild; child; child = child->nextSibling)
            expected.push_back(trace(child));
    }
    std::vector<std::string> streamed;
    const TBXML::StreamedSection stream{rootName, sectionName, [&](const _TBXMLElement* child) {
                                            require(child->nextSibling == nullptr);
                                            streamed.push_back(trace(child));
                                        }};
    std::optional<TBXMLError> error;
    SecureBuffer buffer(std::string_view(reinterpret_cast<const char*>(data), size));
    auto reader =
        TBXML::newTBXMLStreamingXMLData(std::move(buffer), stream, &error, TBXML::kUnlimited);
    require(reader != nullptr && reader->rootXMLElement() != nullptr);
    require(streamed == expected);
    const _TBXMLElement* section = TBXML::childElementNamed(sectionName, reader->rootXMLElement());
    require(section != nullptr && section->firstChild == nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::optional<TBXMLError> error;
    auto reader = TBXML::newTBXMLWithXMLData(std::span<const std::uint8_t>(data, size), &error);
    require(reader != nullptr);
    require((reader->rootXMLElement() == nullptr) == error.has_value());

    const _TBXMLElement* element = reader->rootXMLElement();
    while (element) {
        visit(element);
        if (element->firstChild) {
            element = element->firstChild;
            continue;
        }
        while (element && !element->nextSibling)
            element = element->parentElement;
        if (element)
            element = element->nextSibling;
    }
    compareWithStreaming(data, size, reader->rootXMLElement());
    return 0;
}
