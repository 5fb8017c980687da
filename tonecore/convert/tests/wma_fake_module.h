#pragma once
// A stand-in for the media module's writer and metadata editor, bound into a
// WMA converter in place of the module's functions, so that tests see every
// sample time and attribute the converter hands over and can make any call
// fail.

#include <string>
#include <utility>
#include <vector>

#include "mediacore/com_object.h"
#include "platform/last_error.h"
#include "tonecore/convert/conv2wma_file.h"
#include "utilities/unicode.h"

namespace wmafake {

struct TWrittenSample {
    QWORD time;
    DWORD bytes;
};

// What the fakes recorded, and the failures they are to give.
struct TFakeState {
    std::vector<TWrittenSample> samples;
    std::vector<std::pair<std::string, std::vector<BYTE>>> attributes;
    int editorsMade = 0;
    int flushes = 0;
    int closes = 0;
    int endWritings = 0;
    HRESULT profileResult = S_OK;
    std::uint32_t profileError = 0;
    HRESULT beginResult = S_OK;
    HRESULT writeResult = S_OK;
    std::string failingAttribute;
    HRESULT editorFlushResult = S_OK;
    bool keepSampleBytes = false;
};

inline TFakeState& State() {
    static TFakeState state;
    return state;
}

class CFakeSample final : public CComObject<INSSBuffer> {
public:
    explicit CFakeSample(DWORD size) : bytes_(size) {}
    HRESULT QueryInterface(const GUID& iid, void** object) override {
        return AnswerQuery(iid, object, {{IID_IUnknown, this}, {IID_INSSBuffer, this}});
    }
    HRESULT GetBufferAndLength(BYTE** buffer, DWORD* length) override {
        *buffer = bytes_.data();
        *length = static_cast<DWORD>(bytes_.size());
        return S_OK;
    }
    HRESULT SetLength(DWORD length) override {
        length_ = length;
        return S_OK;
    }
    DWORD Length() const { return length_; }

private:
    std::vector<BYTE> bytes_;
    DWORD length_ = 0;
};

class CFakeInputProps final : public CComObject<IWMInputMediaProps> {
public:
    HRESULT QueryInterface(const GUID& iid, void** object) override {
        return AnswerQuery(iid, object, {{IID_IUnknown, this}, {IID_IWMInputMediaProps, this}});
    }
    HRESULT GetMediaType(WM_MEDIA_TYPE*, DWORD*) override { return E_NOTIMPL; }
    HRESULT SetMediaType(const WM_MEDIA_TYPE*) override { return S_OK; }
};

class CFakeWriter final : public CComObject<IWMWriter> {
public:
    HRESULT QueryInterface(const GUID& iid, void** object) override {
        return AnswerQuery(iid, object, {{IID_IUnknown, this}, {IID_IWMWriter, this}});
    }
    HRESULT SetProfile(IWMProfile*) override { return S_OK; }
    HRESULT SetOutputFilename(const WCHAR*) override { return S_OK; }
    HRESULT GetInputProps(DWORD, IWMInputMediaProps** props) override {
        *props = new CFakeInputProps;
        return S_OK;
    }
    HRESULT SetInputProps(DWORD, IWMInputMediaProps*) override { return S_OK; }
    HRESULT BeginWriting() override { return State().beginResult; }
    HRESULT EndWriting() override {
        ++State().endWritings;
        return S_OK;
    }
    HRESULT AllocateSample(DWORD size, INSSBuffer** sample) override {
        *sample = new CFakeSample(size);
        return S_OK;
    }
    HRESULT WriteSample(DWORD, QWORD time, DWORD, INSSBuffer* sample) override {
        if (State().writeResult < 0) return State().writeResult;
        State().samples.push_back({time, static_cast<CFakeSample*>(sample)->Length()});
        return S_OK;
    }
    HRESULT Flush() override { return S_OK; }
};

class CFakeEditor final : public CComObject<IWMMetadataEditor, IWMHeaderInfo> {
public:
    HRESULT QueryInterface(const GUID& iid, void** object) override {
        IWMMetadataEditor* editor = this;
        IWMHeaderInfo* info = this;
        return AnswerQuery(iid, object, {{IID_IUnknown, editor}, {IID_IWMMetadataEditor, editor},
                                         {IID_IWMHeaderInfo, info}});
    }
    HRESULT Open(const WCHAR*) override { return S_OK; }
    HRESULT Close() override {
        ++State().closes;
        return S_OK;
    }
    HRESULT Flush() override {
        ++State().flushes;
        return State().editorFlushResult;
    }
    HRESULT GetAttributeCount(WORD, WORD*) override { return E_NOTIMPL; }
    HRESULT GetAttributeByIndex(WORD, WORD*, WCHAR*, WORD*, WMT_ATTR_DATATYPE*, BYTE*, WORD*) override {
        return E_NOTIMPL;
    }
    HRESULT SetAttribute(WORD, const WCHAR* name, WMT_ATTR_DATATYPE, const BYTE* value, WORD length) override {
        const std::string text = Utf16ToUtf8(std::u16string_view(name));
        if (text == State().failingAttribute) return E_FAIL;
        State().attributes.emplace_back(text, std::vector<BYTE>(value, value + length));
        return S_OK;
    }
};

inline HRESULT CreateWriter(IUnknown*, IWMWriter** writer, const WCHAR*) {
    *writer = new CFakeWriter;
    return S_OK;
}

inline HRESULT CreateEditor(IWMMetadataEditor** editor) {
    ++State().editorsMade;
    *editor = new CFakeEditor;
    return S_OK;
}

// The profile is only handed from the builder to the writer, which never
// looks into it here.
inline IWMProfile* FakeProfile() {
    static int marker = 0;
    return reinterpret_cast<IWMProfile*>(&marker);
}

inline HRESULT GenerateProfile(const ProfileRequest*, IWMProfile** profile) {
    if (State().profileResult < 0) {
        SetLastError(State().profileError);
        return State().profileResult;
    }
    *profile = FakeProfile();
    return S_OK;
}

inline void ReleaseProfile(IWMProfile** profile) { *profile = nullptr; }

// A WMA converter bound to the fakes.
class CFakeBoundConverter : public CConv2WmaFile {
public:
    CFakeBoundConverter() { State() = TFakeState{}; }
    bool GetEncoderDll() override {
        createWriter_ = CreateWriter;
        createEditor_ = CreateEditor;
        generateProfile_ = GenerateProfile;
        releaseProfile_ = ReleaseProfile;
        return true;
    }
};

}  // namespace wmafake
