#include "platform/shared_dlls.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/registry_store.h"
#include "testsupport/temp_dir.h"

namespace {

struct TCountCase {
    const char* what;
    bool makeKey;
    std::optional<std::vector<std::uint8_t>> value;  // nullopt: no value
    std::uint32_t type;
    bool stillUsed;
};

TEST(SharedDllsTest, OnlyACountOfZeroOrOneFreesAFile) {
    const TCountCase cases[] = {
        {"no key", false, std::nullopt, REG_DWORD, true},
        {"no value", true, std::nullopt, REG_DWORD, true},
        {"count 0", true, std::vector<std::uint8_t>{0, 0, 0, 0}, REG_DWORD, false},
        {"count 1", true, std::vector<std::uint8_t>{1, 0, 0, 0}, REG_DWORD, false},
        {"count 2", true, std::vector<std::uint8_t>{2, 0, 0, 0}, REG_DWORD, true},
        {"count 256", true, std::vector<std::uint8_t>{0, 1, 0, 0}, REG_DWORD, true},
        {"count 2^31 + 1", true, std::vector<std::uint8_t>{1, 0, 0, 0x80}, REG_DWORD, true},
        {"too short to be a count", true, std::vector<std::uint8_t>{1, 0}, REG_DWORD, true},
        {"too long to be a count", true, std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 0, 0},
         REG_BINARY, true},
    };
    const std::string file = GetWindowsDirectory() + "\\System32\\Shared.dll";
    ASSERT_EQ(file, "C:\\WINDOWS\\System32\\Shared.dll");
    for (const TCountCase& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        RegistryStoreSetFolder(dir.Path());
        if (c.makeKey) {
            HKEY key = nullptr;
            ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE,
                                   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", &key),
                      ERROR_SUCCESS);
            if (c.value) {
                ASSERT_EQ(RegSetValueEx(key, "c:\\windows\\system32\\shared.DLL", c.type,
                                        c.value->data(),
                                        static_cast<std::uint32_t>(c.value->size())),
                          ERROR_SUCCESS);
            }
            ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        }
        EXPECT_EQ(SharedDllStillUsed(file.c_str()), c.stillUsed);
        RegistryStoreSetFolder("");
    }
}

}  // namespace
