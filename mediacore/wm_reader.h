#pragma once
// The reader object: decodes an ASF file's audio to PCM, either pushed from a
// delivery thread of its own to the application's callback (IWMReader,
// IWMReaderAdvanced2), or pulled sample by sample on the caller's thread
// (IWMSyncReader). The open file's attributes are read through
// IWMHeaderInfo. One file is open at a time, through either interface.

#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "mediacore/com_object.h"
#include "mediacore/pcm_decoder.h"
#include "mediacore/reader_delivery.h"

class CWMReader final : public CComObject<IWMReader, IWMReaderAdvanced2, IWMHeaderInfo, IWMSyncReader> {
public:
    CWMReader();

    HRESULT QueryInterface(const GUID& iid, void** object) override;

    // IWMReader. Open answers at once; the file's result comes with
    // OnStatus(WMT_OPENED). Stop, Pause and Resume only set what the delivery
    // thread obeys, so they may be called under a lock that a callback takes.
    HRESULT Open(const WCHAR* path, IWMReaderCallback* callback, void* context) override;
    // Either interface's file; the pushing reader's close ends with
    // OnStatus(WMT_CLOSED), after which no callback comes.
    HRESULT Close() override;
    HRESULT GetOutputCount(DWORD* outputs) override;
    HRESULT GetOutputProps(DWORD output, IWMOutputMediaProps** props) override;
    HRESULT Start(QWORD start, QWORD duration, float rate, void* context) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Resume() override;

    // IWMReaderAdvanced2.
    HRESULT SetUserProvidedClock(BOOL userClock) override;
    HRESULT DeliverTime(QWORD time) override;
    // Decoding is never late here, and there is one way to play.
    HRESULT NotifyLateDelivery(QWORD lateness) override;
    HRESULT SetPlayMode(WMT_PLAY_MODE mode) override;
    // E_NOTIMPL: a local file is never buffered, and an answer of 100 % would
    // read as "done" to a caller that polls it while scanning.
    HRESULT GetBufferProgress(DWORD* percent, QWORD* bufferingTime) override;

    // IWMHeaderInfo, read only.
    HRESULT GetAttributeCount(WORD stream, WORD* count) override;
    HRESULT GetAttributeByIndex(WORD index, WORD* stream, WCHAR* name, WORD* nameLength, WMT_ATTR_DATATYPE* type,
                                BYTE* value, WORD* valueLength) override;
    HRESULT SetAttribute(WORD stream, const WCHAR* name, WMT_ATTR_DATATYPE type, const BYTE* value,
                         WORD length) override;

    // IWMSyncReader.
    HRESULT Open(const WCHAR* path) override;
    // Samples from the one at or before start (within a sample) up to, not
    // including, start + duration.
    HRESULT SetRange(QWORD start, std::int64_t duration) override;
    HRESULT GetNextSample(WORD stream, INSSBuffer** sample, QWORD* sampleTime, QWORD* sampleDuration, DWORD* flags,
                          DWORD* output, WORD* streamNumber) override;

private:
    // Joins the delivery thread, unless the last reference went inside one
    // of its callbacks: then the thread finishes on its own, holding what it
    // uses.
    ~CWMReader() override;

    std::shared_ptr<const TOpenedFile> CurrentFile();

    std::shared_ptr<CReaderDelivery> delivery_;
    std::mutex threadLock_;
    std::thread thread_;  // made by the first Open of the pushing reader

    // The pulling reader's state.
    std::mutex syncLock_;
    CPcmDecoder sync_;
    std::shared_ptr<const TOpenedFile> syncFile_;
    std::optional<QWORD> syncEnd_;
};
