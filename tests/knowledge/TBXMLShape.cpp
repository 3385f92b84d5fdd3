#include "knowledge/TBXMLShape.h"

#include <gtest/gtest.h>

namespace testing_support {

namespace {

void checkLinks(const _TBXMLElement* element) {
    if (const _TBXMLElement* child = element->firstChild) {
        EXPECT_EQ(child->previousSibling, nullptr) << "first child of " << element->name;
        EXPECT_EQ(element->text, nullptr) << element->name << " has children and a text";
        EXPECT_NE(element->currentChild, nullptr);
    }
    for (const _TBXMLElement* child = element->firstChild; child; child = child->nextSibling) {
        EXPECT_EQ(child->parentElement, element) << "parent of " << child->name;
        if (child->nextSibling) {
            EXPECT_EQ(child->nextSibling->previousSibling, child) << "back link of " << child->name;
        }
    }
}

} // namespace

std::string shapeOf(const TBXML& reader) {
    std::string shape;
    const _TBXMLElement* element = reader.rootXMLElement();
    if (element) {
        EXPECT_EQ(element->previousSibling, nullptr);
    }
    while (element) {
        checkLinks(element);
        shape += element->name;
        if (element->firstAttribute) {
            shape += '[';
            for (const _TBXMLAttribute* a = element->firstAttribute; a; a = a->next) {
                shape += a->name;
                shape += '=';
                shape += a->value;
                shape += a->next ? " " : "]";
            }
        }
        if (element->text && *element->text)
            shape += '"' + std::string(element->text) + '"';
        if (element->firstChild) {
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
            shape += ' ';
            element = element->nextSibling;
        }
    }
    return shape;
}

size_t firstChildDepth(const TBXML& reader) {
    size_t depth = 0;
    for (const _TBXMLElement* e = reader.rootXMLElement(); e; e = e->firstChild)
        ++depth;
    return depth;
}

} // namespace testing_support
