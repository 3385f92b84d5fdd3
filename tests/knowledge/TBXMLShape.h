#pragma once

#include "knowledge/TBXML.h"

#include <string>

namespace testing_support {

// The reader's tree in one line, for comparing with an expected shape:
// name[attribute=value ...]"text"(child child), top-level elements separated by a
// blank. Texts are shown only when not empty. The walk is iterative and checks every
// link on the way (parents, sibling back links, no text beside children); a broken one
// fails the current test.
std::string shapeOf(const TBXML& reader);

// How many levels the first-child chain from the root goes down.
size_t firstChildDepth(const TBXML& reader);

} // namespace testing_support
