// A second process for the registry store's tests: saves one value of its
// own, again and again, into a store folder that another process saves too.
//
//   registry_writer <folder> <value name> <rounds>
//
// Round i sets "Shared\<value name>" to i and closes the key, which saves.
// Exits 0 when every save succeeded.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/last_error.h"
#include "platform/registry_store.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: registry_writer <folder> <value name> <rounds>\n");
        return 2;
    }
    RegistryStoreSetFolder(argv[1]);
    const char* name = argv[2];
    const int rounds = std::atoi(argv[3]);
    for (int i = 1; i <= rounds; ++i) {
        HKEY key = nullptr;
        if (RegCreateKey(HKEY_CURRENT_USER, "Shared", &key) != ERROR_SUCCESS) return 1;
        const auto value = static_cast<std::uint32_t>(i);
        const std::uint8_t data[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                      static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        if (RegSetValueEx(key, name, REG_DWORD, data, 4) != ERROR_SUCCESS) return 1;
        if (RegCloseKey(key) != ERROR_SUCCESS) return 1;
        // Forget the tree now and then, so that loads race with saves too.
        if (i % 10 == 0) RegistryStoreUnload();
    }
    return 0;
}
