// Recording into a PCM sound: the sound writes a WAVE file of what the
// current mixer's wave-in device records, block by block through WriteData
// (called by the service thread under the engine lock), and becomes a
// playable sound of that file when the recording ends.
//
// Lock order: the engine lock comes before the sound's own. Record takes the
// sound's lock for its own state and lets go of it before it asks the mixer
// to start or stop, as Play does.

#include <cstring>
#include <memory>
#include <new>

#include "filekit/file_obj.h"
#include "filekit/mem_obj.h"
#include "filekit/ref_obj.h"
#include "platform/last_error.h"
#include "tonecore/load/acm_object.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/engine/engine_lock.h"
#include "tonecore/engine/engine_mixer.h"
#include "tonecore/pcm/pcm_block.h"
#include "tonecore/pcm/pcm_buffer.h"
#include "tonecore/mix/pcm_mixer_recording.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/peaks/peaks.h"
#include "tonecore/engine/sibling_temp_file.h"
#include "tonecore/sound/sound_recording.h"

namespace {

// The buffer a recorded sound plays through holds this much.
constexpr std::int64_t kRecordedBufferMs = 500;

// The recording half of the current mixer; null when there is none or it
// cannot record. The caller holds the engine lock.
CPCMMixerRecording* CurrentRecordingMixer() { return dynamic_cast<CPCMMixerRecording*>(GetCurrentMixer()); }

// A new stream to record into: the temporary file for path when it can be
// made, else memory. temporary receives the file's name (empty for memory).
CRefObj* MakeRecordingStream(const char* path, std::string* temporary) {
    temporary->clear();
    if (path != nullptr && path[0] != '\0') {
        std::string temp = CreateSiblingTempFile(path);
        if (!temp.empty()) {
            auto* file = new (std::nothrow) CFileObj();
            if (file != nullptr && file->Create(temp.c_str())) {
                *temporary = temp;
                return file;
            }
            CRefObj* failed = file;
            DeleteRefObject(&failed);
            RemoveTempFile(temp);
        }
    }
    auto* memory = new (std::nothrow) CMemObj();
    if (memory != nullptr && memory->Create()) return memory;
    CRefObj* failed = memory;
    DeleteRefObject(&failed);
    SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
    return nullptr;
}

}  // namespace

int CPCMSound::Record(TRecordType type, WAVEFORMATEX* format, char* path, int makePeaks, std::int32_t msPerPeak) {
    if (type != RECORD_START) return FinishRecording();
    if (format == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // A sound records one thing at a time.
    if (IsRecording()) FinishRecording();
    if (!StartRecordingInto(format, path, makePeaks, msPerPeak)) return 0;

    int result = 0;
    {
        CEngineLockGuard engine(EngineLock());
        CPCMMixerRecording* mixer = CurrentRecordingMixer();
        if (mixer == nullptr) {
            SetLastError(TONECORE_ERR_NO_RECORDING_MIXER);
        } else {
            result = mixer->Record(this, format);
        }
    }
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    if (result) {
        recording_ = 1;
    } else {
        AbandonRecording();
    }
    return result;
}

int CPCMSound::StartRecordingInto(WAVEFORMATEX* format, const char* path, int makePeaks, std::int32_t msPerPeak) {
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    SetLastError(0);
    // What the sound held goes: the buffer reads through the stream, so it
    // goes first.
    buffer_.reset();
    decoder_.reset();
    peaks_.reset();
    ReleaseStream();
    sourceFormat_.clear();

    std::string temporary;
    CRefObj* stream = MakeRecordingStream(path, &temporary);
    if (stream == nullptr) return 0;
    stream_ = stream;
    const auto* raw = reinterpret_cast<const std::uint8_t*>(format);
    sourceFormat_.assign(raw, raw + sizeof(WAVEFORMATEX) + format->cbSize);

    recordingState_.reset(new (std::nothrow) CSoundRecording(sourceFormat_, makePeaks, msPerPeak));
    if (recordingState_ == nullptr) {
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        RemoveTempFile(temporary);
        AbandonRecording();
        return 0;
    }
    recordingState_->temporaryPath = temporary;
    if (!temporary.empty()) recordingState_->finalPath = path;
    if (!recordingState_->Begin(stream_)) {
        AbandonRecording();
        return 0;
    }
    return 1;
}

void CPCMSound::AbandonRecording() {
    std::string temporary;
    if (recordingState_ != nullptr) temporary = recordingState_->temporaryPath;
    recordingState_.reset();
    recording_ = 0;
    ReleaseStream();
    sourceFormat_.clear();
    RemoveTempFile(temporary);
}

TRenderResult CPCMSound::WriteData(_bufferType* block) {
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    if (block == nullptr || recordingState_ == nullptr) return RENDER_FAILED;
    const bool written = recordingState_->Write(static_cast<const std::uint8_t*>(block->data), block->size);
    return written ? RENDER_MORE : RENDER_FAILED;
}

int CPCMSound::FinishRecording() {
    // The mixer hands its last buffers to WriteData as it stops. It is the
    // mixer that records this sound, which need not be the current one: a
    // mixer made since would not know the sound, and the one recording would
    // go on writing into it after it is gone.
    {
        CEngineLockGuard engine(EngineLock());
        CPCMMixerRecording* mixer = CPCMMixerRecording::RecorderOf(this);
        if (mixer != nullptr) mixer->StopRecordingAtom(this);
    }
    std::lock_guard<std::recursive_mutex> guard(AtomLock());
    recording_ = 0;
    if (recordingState_ == nullptr) return 0;
    std::unique_ptr<CSoundRecording> state = std::move(recordingState_);
    std::int64_t dataStart = 0;
    std::int64_t dataBytes = 0;
    if (!state->End(&dataStart, &dataBytes)) {
        recordingState_ = std::move(state);
        AbandonRecording();
        return 0;
    }

    // The finished file takes its real name; the sound reads it there.
    if (!state->temporaryPath.empty()) {
        ReleaseStream();
        // A name that cannot be taken (a folder made there, say) must not
        // cost the recording: it stays complete under its temporary name.
        if (!MoveTempIntoPlace(state->temporaryPath, state->finalPath.c_str(), TTempOnFailure::kKeep)) {
            sourceFormat_.clear();
            return 0;
        }
        auto* file = new (std::nothrow) CFileObj();
        if (file == nullptr || !file->Open(state->finalPath.c_str(), 0, 0)) {
            CRefObj* failed = file;
            DeleteRefObject(&failed);
            sourceFormat_.clear();
            return 0;
        }
        stream_ = file;
    }

    const WAVEFORMATEX* format = ActualFormat();
    std::int64_t bufferBytes = std::int64_t{format->nAvgBytesPerSec} * kRecordedBufferMs / 1000;
    if (format->nBlockAlign > 0) bufferBytes -= bufferBytes % format->nBlockAlign;
    buffer_.reset(new (std::nothrow) CPCMBuffer());
    if (buffer_ == nullptr ||
        !buffer_->Init(stream_, static_cast<std::uint32_t>(bufferBytes), 0, CPCMBuffer::kDefaultFillPercent)) {
        buffer_.reset();
        SetLastError(TONECORE_ERR_OUT_OF_MEMORY);
        return 0;
    }
    stream_->SetDataOffsets(dataStart, dataStart + dataBytes);
    stream_->SetDataMode(CRefObj::kLoopData);
    SetVirtualLength(static_cast<std::int32_t>(MsForBytes(dataBytes)));

    CRecordedPeaks* built = state->Peaks();
    if (built != nullptr) {
        peaks_.reset(new (std::nothrow) CPeaks());
        if (peaks_ == nullptr ||
            !peaks_->LoadPeaksFromArrayList(built->Values(), static_cast<std::uint32_t>(state->MsPerPeak()), Length(0),
                                            built->LargestLeft(), built->LargestRight(), stream_)) {
            peaks_.reset();
        }
    }
    return 1;
}
