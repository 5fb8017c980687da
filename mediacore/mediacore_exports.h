#pragma once
// The six functions the media module exports, bound by name after the module
// is loaded ("mediacore"), with the record the profile builder takes.

#include <cstdint>

#include "mediacore/wm_interfaces.h"
#include "platform/wave_format.h"

// What Marovelle_GenerateProfile is to build: one audio stream.
struct ProfileRequest {
    std::int32_t bitsPerSecond;
    std::int32_t formatTag;  // 0x161 for Windows Media audio
    std::int32_t samplesPerSec;
    std::int32_t channels;
};
static_assert(sizeof(ProfileRequest) == 16, "the profile request is four 32-bit values");

// Size of one codec list entry: the head of a WAVEFORMATEX, no extra bytes.
inline constexpr std::uint32_t kCodecListEntryBytes = 18;

// The module shows only these six names to the loader.
#define MEDIACORE_EXPORT __attribute__((visibility("default")))

extern "C" {
// list null: *count becomes the number of audio codec formats. Otherwise
// copies up to *count entries of 18 bytes into the caller's array at *list;
// *count itself is not changed.
MEDIACORE_EXPORT HRESULT Marovelle_GenerateCodecList(WAVEFORMATEX** list, std::uint32_t* count);
MEDIACORE_EXPORT HRESULT Marovelle_WMCreateReader(IUnknown* certificate, DWORD rights, IWMReader** reader,
                                 IWMReaderAdvanced2** advanced);
MEDIACORE_EXPORT HRESULT Marovelle_WMCreateWriter(IUnknown* reserved, IWMWriter** writer, const WCHAR* path);
MEDIACORE_EXPORT HRESULT Marovelle_WMCreateEditor(IWMMetadataEditor** editor);
MEDIACORE_EXPORT HRESULT Marovelle_GenerateProfile(const ProfileRequest* request, IWMProfile** profile);
MEDIACORE_EXPORT void Marovelle_ReleaseProfile(IWMProfile** profile);
}

using PFN_GenerateCodecList = HRESULT (*)(WAVEFORMATEX**, std::uint32_t*);
using PFN_WMCreateReader = HRESULT (*)(IUnknown*, DWORD, IWMReader**, IWMReaderAdvanced2**);
using PFN_WMCreateWriter = HRESULT (*)(IUnknown*, IWMWriter**, const WCHAR*);
using PFN_WMCreateEditor = HRESULT (*)(IWMMetadataEditor**);
using PFN_GenerateProfile = HRESULT (*)(const ProfileRequest*, IWMProfile**);
using PFN_ReleaseProfile = void (*)(IWMProfile**);
