#pragma once
// Loading the system's plug-in modules (the encoder, the media wrapper, the
// driver remover) by the names the program knows them under.
//
// A module name such as "mediacore.dll" or "mediacore" maps to the module
// file "libmediacore.so" (lower case, no ".dll"), looked up beside the
// executable first, then in ../lib/ relative to it (an installed tree).

#include <string>
#include <string_view>

// The module file name for a module name.
std::string ModuleFileName(std::string_view moduleName);

// Loads the module; null with the thread's last error set (ERROR_FILE_NOT_FOUND
// when no file was found, ERROR_ERRNO_BASE-based otherwise) when it cannot be
// loaded. Each successful load is released once with FreeModule.
void* LoadModule(std::string_view moduleName);
// An exported symbol of a loaded module, or null.
void* GetModuleSymbol(void* module, const char* symbol);
// Releases one load; 1 when released (also for null), 0 when the loader
// refused.
int FreeModule(void* module);
