#pragma once
// The media type objects a reader hands out for its output and a writer for
// its input, and the PCM media type both describe.

#include <type_traits>
#include <vector>

#include "mediacore/com_object.h"
#include "mediacore/media_type.h"

// An object of either kind: a media type that can be read and replaced.
template <typename Interface>
class CWMMediaPropsOf final : public CComObject<Interface> {
public:
    static_assert(std::is_same_v<Interface, IWMInputMediaProps> || std::is_same_v<Interface, IWMOutputMediaProps>);

    explicit CWMMediaPropsOf(const CMediaType& type) : type_(type) {}

    HRESULT QueryInterface(const GUID& iid, void** object) override {
        Interface* face = this;
        const GUID& own = std::is_same_v<Interface, IWMInputMediaProps> ? IID_IWMInputMediaProps : IID_IWMOutputMediaProps;
        return this->AnswerQuery(iid, object, {{IID_IUnknown, face}, {IID_IWMMediaProps, face}, {own, face}});
    }
    HRESULT GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) override { return type_.CopyOut(type, size); }
    HRESULT SetMediaType(const WM_MEDIA_TYPE* type) override;

private:
    CMediaType type_;
};

using CWMInputMediaProps = CWMMediaPropsOf<IWMInputMediaProps>;
using CWMOutputMediaProps = CWMMediaPropsOf<IWMOutputMediaProps>;

// Audio, PCM, fixed-size samples of one block, the format as an 18-byte
// WAVEFORMATEX (its cbSize 0).
CMediaType PcmMediaType(const WAVEFORMATEX& format);

// The WAVEFORMATEX of a media type read through any IWMMediaProps, and the
// bytes after its 18-byte head. E_INVALIDARG when the type is not audio
// with a WAVEFORMATEX (of at least 18 bytes).
HRESULT ReadWaveFormat(IWMMediaProps* props, WAVEFORMATEX& format, std::vector<BYTE>* extra);
