#include "support/Sandbox.h"

#include <gtest/gtest.h>

// Every test process runs inside its own sandbox: the helper's home, root and
// temporary folders point into a fresh temporary tree, never at the real ones.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    auto& sandbox = testing_support::Sandbox::process();
    sandbox.setUp();
    int result = RUN_ALL_TESTS();
    sandbox.tearDown();
    return result;
}
