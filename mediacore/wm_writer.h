#pragma once
// The writer object: encodes PCM into a Windows Media audio file after the
// one audio stream of a profile. The input may be any PCM the encoder core
// takes; it is converted to the profile's format.

#include <mutex>
#include <string>

#include "mediacore/com_object.h"
#include "mediacore/wma_encoder.h"

class CWMWriter final : public CComObject<IWMWriter> {
public:
    HRESULT QueryInterface(const GUID& iid, void** object) override;

    // The profile's first stream must be Windows Media audio; the input
    // starts as 16-bit PCM at its rate and channels.
    HRESULT SetProfile(IWMProfile* profile) override;
    HRESULT SetOutputFilename(const WCHAR* path) override;
    HRESULT GetInputProps(DWORD input, IWMInputMediaProps** props) override;
    // PCM of 8 or 16 bits, 1 or 2 channels; MEDIACORE_E_FORMAT otherwise.
    HRESULT SetInputProps(DWORD input, IWMInputMediaProps* props) override;
    HRESULT BeginWriting() override;
    // The file is complete and in place only when this succeeds.
    HRESULT EndWriting() override;
    HRESULT AllocateSample(DWORD size, INSSBuffer** sample) override;
    // The sample's time is not used: the samples follow one another.
    HRESULT WriteSample(DWORD input, QWORD sampleTime, DWORD flags, INSSBuffer* sample) override;
    HRESULT Flush() override;

private:
    // The writer may be handed between threads, never used by two at once;
    // the lock keeps a mistake from corrupting the encoder.
    std::mutex lock_;
    std::string path_;
    bool haveProfile_ = false;
    WAVEFORMATEX target_{};
    WAVEFORMATEX input_{};
    CWmaEncoder encoder_;
};
