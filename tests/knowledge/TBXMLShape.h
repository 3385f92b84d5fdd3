#pragma once

#include "knowledge/TBXML.h"

#include <string>

namespace testing_support {

// The reader's tree in one line: name[attribute=value ...]"text"(child child), top-level
// elements separated by a blank, texts shown only when not empty. The walk is iterative
// and fails the current test on a child whose parent link is wrong.
std::string shapeOf(const TBXML& reader);

} // namespace testing_support
