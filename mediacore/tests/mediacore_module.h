#pragma once
// The media module loaded and bound the way the sound engine does it: by
// module name, each export by its name.

#include <gtest/gtest.h>

#include "mediacore/mediacore_exports.h"
#include "platform/dynamic_module.h"

namespace mediatest {

struct TMediaModule {
    void* handle = nullptr;
    PFN_GenerateCodecList GenerateCodecList = nullptr;
    PFN_WMCreateReader WMCreateReader = nullptr;
    PFN_WMCreateWriter WMCreateWriter = nullptr;
    PFN_WMCreateEditor WMCreateEditor = nullptr;
    PFN_GenerateProfile GenerateProfile = nullptr;
    PFN_ReleaseProfile ReleaseProfile = nullptr;

    template <typename Fn>
    void Bind(Fn& fn, const char* name) {
        fn = reinterpret_cast<Fn>(GetModuleSymbol(handle, name));
        EXPECT_NE(fn, nullptr) << name;
    }

    TMediaModule() {
        handle = LoadModule("mediacore.dll");
        if (handle == nullptr) {
            ADD_FAILURE() << "the media module did not load";
            return;
        }
        Bind(GenerateCodecList, "Marovelle_GenerateCodecList");
        Bind(WMCreateReader, "Marovelle_WMCreateReader");
        Bind(WMCreateWriter, "Marovelle_WMCreateWriter");
        Bind(WMCreateEditor, "Marovelle_WMCreateEditor");
        Bind(GenerateProfile, "Marovelle_GenerateProfile");
        Bind(ReleaseProfile, "Marovelle_ReleaseProfile");
    }
    ~TMediaModule() {
        if (handle != nullptr) FreeModule(handle);
    }
    TMediaModule(const TMediaModule&) = delete;
    TMediaModule& operator=(const TMediaModule&) = delete;
};

}  // namespace mediatest
