#pragma once
// The media interfaces that mediacore hands out and the two reader callbacks
// that the sound engine implements. Each is an abstract class in the style of
// the published interfaces: reference counted, asked for other interfaces by
// GUID, results as HRESULTs (negative = failure). Only the methods the system
// calls are declared. Objects are released by their callers with Release;
// nothing here throws.

#include "mediacore/wm_guids.h"
#include "mediacore/wm_types.h"

class IUnknown {
public:
    // Stores the interface with the given identifier in *object (with a
    // reference added) or null with E_NOINTERFACE.
    virtual HRESULT QueryInterface(const GUID& iid, void** object) = 0;
    // The new count.
    virtual ULONG AddRef() = 0;
    // The new count; the object is gone when it reaches 0.
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// A block of sample bytes handed between the application and a reader or writer.
class INSSBuffer : public IUnknown {
public:
    virtual HRESULT GetBufferAndLength(BYTE** buffer, DWORD* length) = 0;
    // Sets the used length, at most the buffer's size.
    virtual HRESULT SetLength(DWORD length) = 0;

protected:
    ~INSSBuffer() = default;
};

// Media type of a stream, an input or an output.
class IWMMediaProps : public IUnknown {
public:
    // type null: *size becomes the bytes the record and its format need.
    // Otherwise the record is copied into type, its format bytes right after
    // it, when *size is large enough.
    virtual HRESULT GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) = 0;
    virtual HRESULT SetMediaType(const WM_MEDIA_TYPE* type) = 0;

protected:
    ~IWMMediaProps() = default;
};

class IWMInputMediaProps : public IWMMediaProps {
protected:
    ~IWMInputMediaProps() = default;
};

class IWMOutputMediaProps : public IWMMediaProps {
protected:
    ~IWMOutputMediaProps() = default;
};

// One stream of a profile. Its media type is reached through IWMMediaProps.
class IWMStreamConfig : public IUnknown {
public:
    virtual HRESULT GetStreamNumber(WORD* number) = 0;
    virtual HRESULT SetStreamNumber(WORD number) = 0;
    // name null: *length becomes the characters needed, terminator included.
    virtual HRESULT GetStreamName(WCHAR* name, WORD* length) = 0;
    virtual HRESULT SetStreamName(const WCHAR* name) = 0;
    virtual HRESULT GetConnectionName(WCHAR* name, WORD* length) = 0;
    virtual HRESULT SetConnectionName(const WCHAR* name) = 0;
    virtual HRESULT GetBitrate(DWORD* bitsPerSecond) = 0;
    virtual HRESULT SetBitrate(DWORD bitsPerSecond) = 0;

protected:
    ~IWMStreamConfig() = default;
};

// What a writer is to produce: named, versioned, a list of streams.
class IWMProfile : public IUnknown {
public:
    virtual HRESULT GetVersion(WMT_VERSION* version) = 0;
    virtual HRESULT GetName(WCHAR* name, DWORD* length) = 0;
    virtual HRESULT SetName(const WCHAR* name) = 0;
    virtual HRESULT GetStreamCount(DWORD* count) = 0;
    // A copy of the stream at index; the caller releases it.
    virtual HRESULT GetStream(DWORD index, IWMStreamConfig** config) = 0;
    // A new, unattached stream configuration of the given major type.
    virtual HRESULT CreateNewStream(const GUID& streamType, IWMStreamConfig** config) = 0;
    // Adds a copy of the configuration.
    virtual HRESULT AddStream(IWMStreamConfig* config) = 0;

protected:
    ~IWMProfile() = default;
};

// Typed attributes of a file's header. Attributes of the whole file are
// those of stream 0.
class IWMHeaderInfo : public IUnknown {
public:
    virtual HRESULT GetAttributeCount(WORD stream, WORD* count) = 0;
    // name null: *nameLength becomes the characters needed (terminator
    // included); value null: *valueLength the bytes needed. Too small a
    // buffer fails without copying.
    virtual HRESULT GetAttributeByIndex(WORD index, WORD* stream, WCHAR* name, WORD* nameLength,
                                        WMT_ATTR_DATATYPE* type, BYTE* value, WORD* valueLength) = 0;
    // Adds or replaces an attribute. Text values are UTF-16 with their
    // terminator, length in bytes.
    virtual HRESULT SetAttribute(WORD stream, const WCHAR* name, WMT_ATTR_DATATYPE type, const BYTE* value,
                                 WORD length) = 0;

protected:
    ~IWMHeaderInfo() = default;
};

// Edits the attributes of an existing file; IWMHeaderInfo is asked for
// through QueryInterface.
class IWMMetadataEditor : public IUnknown {
public:
    virtual HRESULT Open(const WCHAR* path) = 0;
    // Closes without saving what was not flushed.
    virtual HRESULT Close() = 0;
    // Saves the changes and closes.
    virtual HRESULT Flush() = 0;

protected:
    ~IWMMetadataEditor() = default;
};

// The reader's callbacks, implemented by the application.
class IWMReaderCallback : public IUnknown {
public:
    virtual HRESULT OnStatus(WMT_STATUS status, HRESULT result, WMT_ATTR_DATATYPE type, BYTE* value,
                             void* context) = 0;
    // Times and durations in 100-nanosecond units.
    virtual HRESULT OnSample(DWORD output, QWORD sampleTime, QWORD sampleDuration, DWORD flags,
                             INSSBuffer* sample, void* context) = 0;

protected:
    ~IWMReaderCallback() = default;
};

class IWMReaderCallbackAdvanced : public IUnknown {
public:
    virtual HRESULT OnStreamSample(WORD stream, QWORD sampleTime, QWORD sampleDuration, DWORD flags,
                                   INSSBuffer* sample, void* context) = 0;
    // The user clock reached time (when the application provides the clock).
    virtual HRESULT OnTime(QWORD time, void* context) = 0;
    virtual HRESULT OnStreamSelection(WORD streamCount, WORD* streams, WMT_STREAM_SELECTION* selections,
                                      void* context) = 0;
    virtual HRESULT OnOutputPropsChanged(DWORD output, WM_MEDIA_TYPE* type, void* context) = 0;
    virtual HRESULT AllocateForStream(WORD stream, DWORD size, INSSBuffer** buffer, void* context) = 0;
    virtual HRESULT AllocateForOutput(DWORD output, DWORD size, INSSBuffer** buffer, void* context) = 0;

protected:
    ~IWMReaderCallbackAdvanced() = default;
};

// Decodes a file on a thread of its own and delivers PCM through the callback.
class IWMReader : public IUnknown {
public:
    // Asynchronous: ends with one OnStatus(WMT_OPENED, result).
    virtual HRESULT Open(const WCHAR* path, IWMReaderCallback* callback, void* context) = 0;
    // Asynchronous: ends with one OnStatus(WMT_CLOSED, result).
    virtual HRESULT Close() = 0;
    virtual HRESULT GetOutputCount(DWORD* outputs) = 0;
    virtual HRESULT GetOutputProps(DWORD output, IWMOutputMediaProps** props) = 0;
    // start and duration in 100-nanosecond units; duration 0 plays to the end.
    virtual HRESULT Start(QWORD start, QWORD duration, float rate, void* context) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Resume() = 0;

protected:
    ~IWMReader() = default;
};

// Decodes a file on the caller's thread, one sample per call. Close,
// GetOutputCount and GetOutputProps are shared with IWMReader when one object
// offers both.
class IWMSyncReader : public IUnknown {
public:
    virtual HRESULT Open(const WCHAR* path) = 0;
    virtual HRESULT Close() = 0;
    virtual HRESULT GetOutputCount(DWORD* outputs) = 0;
    virtual HRESULT GetOutputProps(DWORD output, IWMOutputMediaProps** props) = 0;
    // start and duration in 100-nanosecond units; duration 0 reads to the end.
    virtual HRESULT SetRange(QWORD start, std::int64_t duration) = 0;
    // The next sample of the stream (0: of any stream); NS_E_NO_MORE_SAMPLES
    // after the last one.
    virtual HRESULT GetNextSample(WORD stream, INSSBuffer** sample, QWORD* sampleTime, QWORD* sampleDuration,
                                  DWORD* flags, DWORD* output, WORD* streamNumber) = 0;

protected:
    ~IWMSyncReader() = default;
};

class IWMReaderAdvanced2 : public IUnknown {
public:
    virtual HRESULT SetUserProvidedClock(BOOL userClock) = 0;
    // Delivers the samples before time, then calls OnTime(time).
    virtual HRESULT DeliverTime(QWORD time) = 0;
    virtual HRESULT NotifyLateDelivery(QWORD lateness) = 0;
    virtual HRESULT SetPlayMode(WMT_PLAY_MODE mode) = 0;
    virtual HRESULT GetBufferProgress(DWORD* percent, QWORD* bufferingTime) = 0;

protected:
    ~IWMReaderAdvanced2() = default;
};

// Encodes PCM into a file after the streams of a profile.
class IWMWriter : public IUnknown {
public:
    virtual HRESULT SetProfile(IWMProfile* profile) = 0;
    virtual HRESULT SetOutputFilename(const WCHAR* path) = 0;
    virtual HRESULT GetInputProps(DWORD input, IWMInputMediaProps** props) = 0;
    virtual HRESULT SetInputProps(DWORD input, IWMInputMediaProps* props) = 0;
    virtual HRESULT BeginWriting() = 0;
    virtual HRESULT EndWriting() = 0;
    virtual HRESULT AllocateSample(DWORD size, INSSBuffer** sample) = 0;
    // time in 100-nanosecond units.
    virtual HRESULT WriteSample(DWORD input, QWORD sampleTime, DWORD flags, INSSBuffer* sample) = 0;
    virtual HRESULT Flush() = 0;

protected:
    ~IWMWriter() = default;
};
