// Every test executable starts with its per-user folders in a scratch folder
// of its own, so no test reads or writes the real user's settings.
#include <gtest/gtest.h>

#include <cstdlib>

#include "testsupport/temp_dir.h"

int main(int argc, char** argv) {
    testsupport::TempDir home;
    setenv("SONGSMITH_HOME", home.Path().c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
