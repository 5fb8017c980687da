#include "mediacore/wm_reader.h"

#include "mediacore/asf_attribute_list.h"
#include "mediacore/no_throw.h"
#include "mediacore/ns_buffer.h"
#include "mediacore/wm_media_props.h"
#include "utilities/unicode.h"

namespace {

std::string PathFromWide(const WCHAR* path) { return Utf16ToUtf8(std::u16string_view(path)); }

}  // namespace

CWMReader::CWMReader() : delivery_(std::make_shared<CReaderDelivery>()) {}

CWMReader::~CWMReader() {
    delivery_->Quit();
    if (!thread_.joinable()) return;
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

HRESULT CWMReader::QueryInterface(const GUID& iid, void** object) {
    IWMReader* reader = this;
    IWMReaderAdvanced2* advanced = this;
    IWMHeaderInfo* info = this;
    IWMSyncReader* sync = this;
    return AnswerQuery(iid, object,
                       {{IID_IUnknown, reader},
                        {IID_IWMReader, reader},
                        {IID_IWMReaderAdvanced2, advanced},
                        {IID_IWMHeaderInfo, info},
                        {IID_IWMSyncReader, sync}});
}

HRESULT CWMReader::Open(const WCHAR* path, IWMReaderCallback* callback, void* context) {
    return NoThrow([&]() -> HRESULT {
        if (path == nullptr || *path == 0 || callback == nullptr) return E_INVALIDARG;
        {
            std::lock_guard<std::mutex> guard(syncLock_);
            if (sync_.IsOpen()) return NS_E_INVALID_REQUEST;
        }
        {
            std::lock_guard<std::mutex> guard(threadLock_);
            if (!thread_.joinable()) thread_ = std::thread([delivery = delivery_] { delivery->Run(); });
        }
        return delivery_->RequestOpen(PathFromWide(path), callback, context);
    });
}

HRESULT CWMReader::Close() {
    {
        std::lock_guard<std::mutex> guard(syncLock_);
        if (sync_.IsOpen()) {
            sync_.Close();
            syncFile_.reset();
            syncEnd_.reset();
            return S_OK;
        }
    }
    return NoThrow([&] { return delivery_->RequestClose(); });
}

std::shared_ptr<const TOpenedFile> CWMReader::CurrentFile() {
    {
        std::lock_guard<std::mutex> guard(syncLock_);
        if (syncFile_) return syncFile_;
    }
    return delivery_->OpenedFile();
}

HRESULT CWMReader::GetOutputCount(DWORD* outputs) {
    if (outputs == nullptr) return E_POINTER;
    if (!CurrentFile()) return NS_E_INVALID_REQUEST;
    *outputs = 1;
    return S_OK;
}

HRESULT CWMReader::GetOutputProps(DWORD output, IWMOutputMediaProps** props) {
    return NoThrow([&]() -> HRESULT {
        if (props == nullptr) return E_POINTER;
        *props = nullptr;
        const std::shared_ptr<const TOpenedFile> file = CurrentFile();
        if (!file) return NS_E_INVALID_REQUEST;
        if (output != 0) return E_INVALIDARG;
        *props = new CWMOutputMediaProps(PcmMediaType(file->format));
        return S_OK;
    });
}

HRESULT CWMReader::Start(QWORD start, QWORD duration, float /*rate*/, void* /*context*/) {
    return NoThrow([&] { return delivery_->RequestStart(start, duration); });
}

HRESULT CWMReader::Stop() {
    return NoThrow([&] { return delivery_->RequestStop(); });
}

HRESULT CWMReader::Pause() { return delivery_->SetPaused(true); }
HRESULT CWMReader::Resume() { return delivery_->SetPaused(false); }

HRESULT CWMReader::SetUserProvidedClock(BOOL userClock) {
    delivery_->SetUserClock(userClock != 0);
    return S_OK;
}

HRESULT CWMReader::DeliverTime(QWORD time) { return delivery_->DeliverTime(time); }
HRESULT CWMReader::NotifyLateDelivery(QWORD /*lateness*/) { return S_OK; }
HRESULT CWMReader::SetPlayMode(WMT_PLAY_MODE /*mode*/) { return S_OK; }
HRESULT CWMReader::GetBufferProgress(DWORD* /*percent*/, QWORD* /*bufferingTime*/) { return E_NOTIMPL; }

HRESULT CWMReader::GetAttributeCount(WORD stream, WORD* count) {
    if (count == nullptr) return E_POINTER;
    const std::shared_ptr<const TOpenedFile> file = CurrentFile();
    if (!file) return NS_E_INVALID_REQUEST;
    // Only file-level attributes are kept; streams have none of their own here.
    *count = stream == 0 ? static_cast<WORD>(std::min<std::size_t>(file->attributes.size(), 0xFFFF)) : 0;
    return S_OK;
}

HRESULT CWMReader::GetAttributeByIndex(WORD index, WORD* stream, WCHAR* name, WORD* nameLength,
                                       WMT_ATTR_DATATYPE* type, BYTE* value, WORD* valueLength) {
    return NoThrow([&]() -> HRESULT {
        if (stream == nullptr) return E_POINTER;
        const std::shared_ptr<const TOpenedFile> file = CurrentFile();
        if (!file) return NS_E_INVALID_REQUEST;
        if (*stream != 0 || index >= file->attributes.size()) return E_INVALIDARG;
        return CopyAttributeOut(file->attributes[index], name, nameLength, type, value, valueLength);
    });
}

HRESULT CWMReader::SetAttribute(WORD, const WCHAR*, WMT_ATTR_DATATYPE, const BYTE*, WORD) {
    // Attributes are changed through the metadata editor.
    return NS_E_INVALID_REQUEST;
}

HRESULT CWMReader::Open(const WCHAR* path) {
    return NoThrow([&]() -> HRESULT {
        if (path == nullptr || *path == 0) return E_INVALIDARG;
        if (delivery_->IsOpening()) return NS_E_INVALID_REQUEST;
        std::lock_guard<std::mutex> guard(syncLock_);
        if (sync_.IsOpen()) return NS_E_INVALID_REQUEST;
        const HRESULT hr = sync_.Open(PathFromWide(path));
        if (FAILED(hr)) return hr;
        auto file = std::make_shared<TOpenedFile>();
        file->format = sync_.Format();
        file->attributes = ListFileAttributes(sync_.Header());
        syncFile_ = std::move(file);
        syncEnd_.reset();
        return S_OK;
    });
}

HRESULT CWMReader::SetRange(QWORD start, std::int64_t duration) {
    return NoThrow([&]() -> HRESULT {
        if (duration < 0) return E_INVALIDARG;
        std::lock_guard<std::mutex> guard(syncLock_);
        if (!sync_.IsOpen()) return NS_E_INVALID_REQUEST;
        const HRESULT hr = sync_.Seek(start);
        if (FAILED(hr)) return hr;
        syncEnd_.reset();
        if (duration > 0) syncEnd_ = start + static_cast<QWORD>(duration);
        return S_OK;
    });
}

HRESULT CWMReader::GetNextSample(WORD stream, INSSBuffer** sample, QWORD* sampleTime, QWORD* sampleDuration,
                                 DWORD* flags, DWORD* output, WORD* streamNumber) {
    return NoThrow([&]() -> HRESULT {
        if (sample == nullptr) return E_POINTER;
        *sample = nullptr;
        std::lock_guard<std::mutex> guard(syncLock_);
        if (!sync_.IsOpen()) return NS_E_INVALID_REQUEST;
        if (stream != 0 && stream != sync_.StreamNumber()) return E_INVALIDARG;
        TPcmChunk chunk;
        const HRESULT hr = sync_.Next(chunk);
        if (FAILED(hr)) return hr;
        if (hr == S_FALSE || (syncEnd_ && chunk.time >= *syncEnd_)) return NS_E_NO_MORE_SAMPLES;
        *sample = new CNSSBuffer(std::move(chunk.bytes));
        if (sampleTime != nullptr) *sampleTime = chunk.time;
        if (sampleDuration != nullptr) *sampleDuration = chunk.duration;
        if (flags != nullptr) *flags = 0;
        if (output != nullptr) *output = 0;
        if (streamNumber != nullptr) *streamNumber = sync_.StreamNumber();
        return S_OK;
    });
}
