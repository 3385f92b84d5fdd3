#pragma once

#include "shell/NSStringFileSize.h"

// The size text now lives with the other string operations in NSStringFileSize; this
// name stays only until the notification window's sources have moved over.
using NSStringFileSizeFormatting = NSStringFileSize;
