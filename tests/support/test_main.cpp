// The main of every test program: the driver's failures become test failures.
#include <gtest/gtest.h>

#include "headless/driver.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    headless::Driver::setFailureReporter(
        [](const std::string& message) { ADD_FAILURE() << message; });
    return RUN_ALL_TESTS();
}
