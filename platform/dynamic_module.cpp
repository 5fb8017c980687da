#include "platform/dynamic_module.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/ascii_case.h"
#include "platform/last_error.h"
#include "platform/user_folders.h"

std::string ModuleFileName(std::string_view moduleName) {
    std::string base(moduleName);
    for (char& c : base) c = AsciiToLower(c);
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".dll") == 0) {
        base.resize(base.size() - 4);
    }
    return "lib" + base + ".so";
}

namespace {

// Under the leak checker a module stays mapped after it is freed: memory its
// libraries' own initialisers keep (codec tables and the like) is then still
// seen as held by the module, not reported as lost; and the checker can
// still name the module in a report. Elsewhere a freed module goes.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kKeepMappedFlag = RTLD_NODELETE;
#else
constexpr int kKeepMappedFlag = 0;
#endif

}  // namespace

void* LoadModule(std::string_view moduleName) {
    const std::string exeDir = GetExecutableDir();
    const std::string file = ModuleFileName(moduleName);
    if (exeDir.empty() || moduleName.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    for (const std::string& candidate : {exeDir + file, exeDir + "../lib/" + file}) {
        struct stat st {};
        if (stat(candidate.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL | kKeepMappedFlag); module != nullptr) {
            return module;
        }
        // The file is there but unusable (a missing dependency, a foreign
        // architecture): report it rather than a missing file.
        SetLastError(ERROR_ERRNO_BASE + ENOEXEC);
        return nullptr;
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

void* GetModuleSymbol(void* module, const char* symbol) {
    if (module == nullptr || symbol == nullptr) return nullptr;
    return dlsym(module, symbol);
}

int FreeModule(void* module) {
    if (module == nullptr) return 1;
    return dlclose(module) == 0 ? 1 : 0;
}
