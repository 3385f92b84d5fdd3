// Feeds arbitrary bytes to the XML reader, then walks the whole tree, checks its links
// and asks every query of every element.
#include "knowledge/TBXML.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

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
    return 0;
}
