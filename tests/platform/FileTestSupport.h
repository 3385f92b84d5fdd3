#pragma once

// Kept for the suites that include the helpers from their old place.
#include "support/FileTestSupport.h"
