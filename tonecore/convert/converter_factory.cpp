#include "tonecore/convert/converter_factory.h"

#include <array>
#include <cstdio>
#include <new>
#include <string>

#include "filekit/media_support.h"
#include "filekit/path_helpers.h"
#include "mediacore/mediacore_exports.h"
#include "platform/dynamic_module.h"
#include "platform/last_error.h"
#include "tonecore/convert/conv2file_format.h"
#include "tonecore/convert/blade_conv2mp3.h"
#include "tonecore/convert/conv2wave_file.h"
#include "tonecore/convert/conv2wma_file.h"
#include "tonecore/convert/lame_conv2mp3.h"
#include "tonecore/convert/conversion_errors.h"
#include "tonecore/engine/engine_settings.h"
#include "tonecore/engine/format_template.h"
#include "tonecore/engine/tonecore_strings.h"
#include "utilities/text_copy.h"

namespace {

using TConverterCreator = CConv2FileObj* (*)(int encoder);

template <typename TConverter>
CConv2FileObj* CreateConverter(int /*encoder*/) {
    CConv2FileObj* made = new (std::nothrow) TConverter();
    if (made == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return made;
}

// One MP3 encoder library and the converter that drives it.
struct TEncoderRow {
    TConverterCreator create;
    const char* libraryName;
    const char* nameKey;
};

constexpr std::array<TEncoderRow, kMP3EncoderLibraries> kEncoderRows{{
    {CreateConverter<CLameConv2MP3>, "Lame_enc.dll", "IDS_STRING_LAME"},
    {CreateConverter<CBladeConv2MP3>, "BladeEnc.dll", "IDS_STRING_BLADE"},
}};

constexpr const char* kMediaModuleName = "mediacore.dll";

// The version record an encoder library's "beVersion" fills; its first four
// bytes are library major and minor, engine major and minor. The room is
// generous so that a library with a longer record cannot write past it.
constexpr std::size_t kVersionRecordBytes = 512;
using TBeVersion = void (*)(void* record);

// Texts of the names list: a name has at most 63 characters, the version
// template at most 59, the joined entry at most 384.
constexpr int kNameChars = 63;
constexpr int kVersionTemplateChars = 59;
constexpr std::size_t kEntryChars = 384;
constexpr unsigned kNotAssignedChars = 64;
constexpr const char* kBuiltInVersionTemplate = ", version %u.%02u (engine %u.%02u)";

struct TConversionState {
    std::array<void*, kMP3EncoderLibraries> encoderModule{};
    std::array<int, kMP3EncoderLibraries> encoderPresent{};
    std::array<int, kFileConversionTypes> available{};
    void* wmaDecoderModule = nullptr;
    void* wmaEncoderModule = nullptr;
};

TConversionState& State() {
    static TConversionState state;
    return state;
}

bool ValidEncoder(int encoder) { return encoder >= 0 && encoder < kMP3EncoderLibraries; }

const TEncoderRow& Row(int encoder) { return kEncoderRows[static_cast<std::size_t>(encoder)]; }

_tMP3EncoderDllTypedef CurrentEncoder() { return static_cast<_tMP3EncoderDllTypedef>(GetMP3EncoderChoice()); }


// The MP3 creator: -1 asks for the current encoder, which must be present;
// an explicit encoder gets its converter even without its library (creating
// the file then fails).
CConv2FileObj* CreateMP3(int encoder) {
    if (encoder == -1) {
        encoder = CurrentEncoder();
        if (!ValidEncoder(encoder) || State().encoderPresent[static_cast<std::size_t>(encoder)] == 0) {
            SetLastError(TONECORE_ERR_NO_CONVERTER);
            return nullptr;
        }
    }
    if (!ValidEncoder(encoder) || Row(encoder).create == nullptr) {
        SetLastError(TONECORE_ERR_NO_CONVERTER);
        return nullptr;
    }
    return Row(encoder).create(encoder);
}

constexpr std::array<TConverterCreator, kFileConversionTypes> kCreators{CreateConverter<CConv2WaveFile>, CreateMP3,
                                                                       CreateConverter<CConv2WmaFile>};

// The version text of a loaded encoder library; empty without "beVersion".
std::string VersionText(void* module) {
    const auto beVersion = reinterpret_cast<TBeVersion>(GetModuleSymbol(module, "beVersion"));
    if (beVersion == nullptr) return {};
    std::array<unsigned char, kVersionRecordBytes> record{};
    beVersion(record.data());
    char pattern[kVersionTemplateChars + 1];
    ToneCoreLoadString("IDS_STRING_BLADE_VERSION", pattern, sizeof pattern);
    const char* used = FormatTemplateFits(pattern, "uuuu") || FormatTemplateFits(pattern, "dddd")
                           ? pattern
                           : kBuiltInVersionTemplate;
    char text[128];
    std::snprintf(text, sizeof text, used, static_cast<unsigned>(record[0]), static_cast<unsigned>(record[1]),
                  static_cast<unsigned>(record[2]), static_cast<unsigned>(record[3]));
    return text;
}

// The name entry of one encoder row.
std::string EncoderEntry(int encoder) {
    char name[kNameChars + 1];
    ToneCoreLoadString(Row(encoder).nameKey, name, sizeof name);
    std::string entry = name;
    if (State().encoderPresent[static_cast<std::size_t>(encoder)] != 0) {
        void*& module = State().encoderModule[static_cast<std::size_t>(encoder)];
        const bool loadedHere = module == nullptr;
        if (loadedHere) module = LoadModule(Row(encoder).libraryName);
        if (module != nullptr) entry += VersionText(module);
        if (loadedHere) {
            FreeModule(module);
            module = nullptr;
        }
    } else {
        char missing[kNameChars + 1];
        ToneCoreLoadString("IDS_STRING_NOT_AVAILABLE", missing, sizeof missing);
        entry += missing;
    }
    if (entry.size() > kEntryChars) entry.resize(textcopy::Utf8PrefixLength(entry, kEntryChars));
    return entry;
}

bool MediaModuleOffersWMA(void* module) {
    for (const char* name : {"Marovelle_WMCreateReader", "Marovelle_WMCreateWriter", "Marovelle_WMCreateEditor",
                             "Marovelle_GenerateProfile", "Marovelle_ReleaseProfile"}) {
        if (GetModuleSymbol(module, name) == nullptr) return false;
    }
    const auto codecList = reinterpret_cast<PFN_GenerateCodecList>(GetModuleSymbol(module, "Marovelle_GenerateCodecList"));
    std::uint32_t count = 0;
    return codecList != nullptr && codecList(nullptr, &count) >= 0 && count > 0;
}

// Loads an encoder library to see whether it is there, and lets it go again
// (a library a converter holds stays loaded).
bool ProbeEncoder(int encoder) {
    void*& module = State().encoderModule[static_cast<std::size_t>(encoder)];
    if (module != nullptr) return true;
    void* probe = LoadModule(Row(encoder).libraryName);
    if (probe == nullptr) return false;
    FreeModule(probe);
    return true;
}

}  // namespace

CConv2FileObj* NewCConv2FileObj(_tFileConversionTypedef type, int encoder) {
    if (type < 0 || type >= kFileConversionTypes) {
        SetLastError(TONECORE_ERR_NO_CONVERTER);
        return nullptr;
    }
    if (State().available[static_cast<std::size_t>(type)] == 0 && encoder == -1) {
        SetLastError(TONECORE_ERR_NO_CONVERTER);
        return nullptr;
    }
    return kCreators[static_cast<std::size_t>(type)](encoder);
}

void GetRidOfConvFObj(CConv2FileObj* conv, CConv2FileObj* callersConv) {
    if (conv != nullptr && conv != callersConv) DeleteRefObject(&conv);
}

_tFileConversionTypedef DetermineTargetConversion(const char* path) {
    if (path == nullptr || HasFileExtension(path, "wav") == 0) return FILE_CONVERSION_WAV;
    if (ConversionToMP3Allowed() != 0) return FILE_CONVERSION_MP3;
    if (ConversionToWMAAllowed() != 0) return FILE_CONVERSION_WMA;
    return FILE_CONVERSION_NONE;
}

void DetermineConvertersAvailable(_tMP3EncoderDllTypedef preferred, void* format) {
    TConversionState& state = State();
    SetMP3EncoderChoice(preferred);
    for (int encoder = 0; encoder < kMP3EncoderLibraries; ++encoder) {
        // Each probe says what is there now: a library removed since the
        // last probe is no longer offered.
        const bool present = ProbeEncoder(encoder);
        state.encoderPresent[static_cast<std::size_t>(encoder)] = present ? 1 : 0;
        if (present && CurrentEncoder() == MP3_ENCODER_NONE) SetMP3EncoderChoice(encoder);
    }
    const int current = CurrentEncoder();
    if (!ValidEncoder(current) || state.encoderPresent[static_cast<std::size_t>(current)] == 0) {
        for (int encoder = 0; encoder < kMP3EncoderLibraries; ++encoder) {
            if (state.encoderPresent[static_cast<std::size_t>(encoder)] == 0) continue;
            SetMP3EncoderChoice(encoder);
            // The settings were made for the preferred encoder: bring them to
            // what this one can do.
            if (format != nullptr) {
                CConv2FileObj* conv = CreateMP3(encoder);
                if (auto* mp3 = dynamic_cast<CConv2MP3*>(conv)) {
                    mp3->UpdateSettingsAfterEncoderChange(static_cast<CConv2FileFormat*>(format));
                }
                if (conv != nullptr) DeleteRefObject(&conv);
            }
            break;
        }
    }
    void*& decoder = state.wmaDecoderModule;
    if (LoadLibraryWMADecoder() != nullptr) {
        SetWMADecoderFlag(1);
        FreeModule(decoder);
        decoder = nullptr;
    } else {
        SetWMADecoderFlag(0);
    }
    void*& encoder = state.wmaEncoderModule;
    if (encoder == nullptr) {
        void* probe = LoadCheckedMediaModule();
        state.available[FILE_CONVERSION_WMA] = probe != nullptr ? 1 : 0;
        FreeModule(probe);
    } else {
        state.available[FILE_CONVERSION_WMA] = 1;
    }
    state.available[FILE_CONVERSION_WAV] = 1;
    state.available[FILE_CONVERSION_MP3] = ConversionToMP3Allowed();
}

int ConversionToMP3Allowed() {
    for (const int present : State().encoderPresent) {
        if (present != 0) return 1;
    }
    return 0;
}

int ConversionToWMAAllowed() { return State().available[FILE_CONVERSION_WMA]; }

void GetConvertersAvailable(int* flags) {
    if (flags == nullptr) return;
    for (std::size_t i = 0; i < State().available.size(); ++i) flags[i] = State().available[i];
}

void GetConvertersAvailable(int* count, int* flags) {
    if (count != nullptr) *count = GetConverterArraySize();
    GetConvertersAvailable(flags);
}

int GetConverterArraySize() { return kFileConversionTypes; }

// The encoder menu has a third entry, "not assigned".
int GetMP3EncoderArraySize() { return kMP3EncoderLibraries + 1; }

void GetMP3EncodersAvailable(int* flags) {
    if (flags == nullptr) return;
    for (std::size_t i = 0; i < State().encoderPresent.size(); ++i) flags[i] = State().encoderPresent[i];
}

_tMP3EncoderDllTypedef GetMP3Encoder() { return CurrentEncoder(); }

bool SetMP3Encoder(_tMP3EncoderDllTypedef encoder) {
    if (!ValidEncoder(encoder)) return false;
    const auto index = static_cast<std::size_t>(encoder);
    if (encoder == CurrentEncoder() && State().encoderModule[index] != nullptr) return true;
    if (State().encoderPresent[index] == 0) return false;
    SetMP3EncoderChoice(encoder);
    return true;
}

void GetMP3EncoderNamesAndAvailablity(char** names, unsigned size, int* available) {
    for (int encoder = 0; encoder < kMP3EncoderLibraries; ++encoder) {
        const auto index = static_cast<std::size_t>(encoder);
        if (names != nullptr && names[index] != nullptr) {
            textcopy::CopyTextCut(EncoderEntry(encoder), names[index], size);
        }
        if (available != nullptr) available[index] = State().encoderPresent[index];
    }
    const auto last = static_cast<std::size_t>(kMP3EncoderLibraries);
    if (names != nullptr && names[last] != nullptr) {
        char text[kNotAssignedChars + 1];
        ToneCoreLoadString("IDS_STRING_NOT_ASSIGNED", text, sizeof text);
        textcopy::CopyTextCut(text, names[last], size < kNotAssignedChars ? size : kNotAssignedChars);
    }
    if (available != nullptr) available[last] = 0;
}

void GetMP3EncoderMenuInfo(_tMP3EncoderDllTypedef* current, int* count, char** names, unsigned size,
                           int* available) {
    if (current != nullptr) *current = CurrentEncoder();
    if (count != nullptr) *count = GetMP3EncoderArraySize();
    GetMP3EncoderNamesAndAvailablity(names, size, available);
}

void* LoadMP3EncoderLibrary(_tMP3EncoderDllTypedef encoder) {
    if (!ValidEncoder(encoder)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void*& module = State().encoderModule[static_cast<std::size_t>(encoder)];
    if (module == nullptr) module = LoadModule(Row(encoder).libraryName);
    return module;
}

void* LoadCheckedMediaModule() {
    if (MV_SupportsWMA() != 1) return nullptr;
    void* module = LoadModule(kMediaModuleName);
    if (module == nullptr) return nullptr;
    if (MediaModuleOffersWMA(module)) return module;
    FreeModule(module);
    SetLastError(TONECORE_ERR_NO_CONVERTER);
    return nullptr;
}

void* LoadLibraryWMADecoder() {
    // A module already kept is the one to use: loading it again would only
    // take a second reference that nobody releases.
    void*& module = State().wmaDecoderModule;
    if (module == nullptr) module = LoadCheckedMediaModule();
    return module;
}

void* LoadLibraryWMAEncoder() {
    void*& module = State().wmaEncoderModule;
    if (module == nullptr) module = LoadCheckedMediaModule();
    return module;
}

int FreeConversionLibraries() {
    TConversionState& state = State();
    int released = 1;
    // Every loaded encoder library, not only the current one's: a converter
    // of another encoder may have loaded its own before the choice changed.
    for (void*& module : state.encoderModule) {
        if (FreeModule(module) == 0) released = 0;
        module = nullptr;
    }
    for (void** module : {&state.wmaDecoderModule, &state.wmaEncoderModule}) {
        if (FreeModule(*module) == 0) released = 0;
        *module = nullptr;
    }
    return released;
}
