#include "platform/dynamic_module.h"

#include <gtest/gtest.h>

#include "platform/last_error.h"

TEST(DynamicModuleTest, ModuleNamesMapToSharedObjects) {
    EXPECT_EQ(ModuleFileName("mediacore.dll"), "libmediacore.so");
    EXPECT_EQ(ModuleFileName("Lame_enc.DLL"), "liblame_enc.so");
    EXPECT_EQ(ModuleFileName("drvclean"), "libdrvclean.so");
}

TEST(DynamicModuleTest, LoadsModulesBesideTheExecutable) {
    // The platform library itself lies beside the test executable.
    void* module = LoadModule("platform.dll");
    ASSERT_NE(module, nullptr);
    FreeModule(module);

    SetLastError(0);
    EXPECT_EQ(LoadModule("no_such_module.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetModuleSymbol(nullptr, "x"), nullptr);
}
