#include "knowledge/TBXMLShape.h"

#include <gtest/gtest.h>

namespace testing_support {

std::string shapeOf(const TBXML& reader) {
    std::string shape;
    for (const _TBXMLElement* element = reader.rootXMLElement(); element;) {
        shape += element->name;
        for (const _TBXMLAttribute* a = element->firstAttribute; a; a = a->next)
            shape += (a == element->firstAttribute ? "[" : " ") + std::string(a->name) + "=" +
                     a->value + (a->next ? "" : "]");
        if (element->text && *element->text)
            shape += '"' + std::string(element->text) + '"';
        if (element->firstChild) {
            EXPECT_EQ(element->firstChild->parentElement, element);
            shape += '(';
            element = element->firstChild;
            continue;
        }
        while (element && !element->nextSibling) {
            element = element->parentElement;
            if (element)
                shape += ')';
        }
        if (element) {
            EXPECT_EQ(element->nextSibling->previousSibling, element);
            shape += ' ';
            element = element->nextSibling;
        }
    }
    return shape;
}

} // namespace testing_support
