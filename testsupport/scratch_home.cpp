#include "testsupport/scratch_home.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "testsupport/temp_dir.h"

namespace testsupport {

int RunAllTestsWithScratchHome(int argc, char** argv) {
    TempDir home;
    setenv("SONGSMITH_HOME", home.Path().c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

}  // namespace testsupport
