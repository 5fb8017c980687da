// The mixer's device, its playback passes, stopping, pausing and positions.

#include <algorithm>

#include "platform/last_error.h"
#include "platform/wait_clock.h"
#include "tonecore/sound/audio_atom.h"
#include "tonecore/engine/engine_lock.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/sound_group.h"

int CPCMMixer::Open() {
    CEngineLockGuard hold(EngineLock());
    if (device_ != nullptr) {
        ++openCount_;
        return 1;
    }
    const WAVEFORMATEX& wanted = mixerFormat_;
    const WAVEFORMATEX& current = init_.format;
    if (wanted.nChannels != current.nChannels || wanted.nSamplesPerSec != current.nSamplesPerSec ||
        wanted.wBitsPerSample != current.wBitsPerSample) {
        _tInitMixer init = init_;
        init.format = mixerFormat_;
        if (!InitPlayback(&init)) return 0;
    }
    const MMRESULT result =
        waveOutOpen(&device_, init_.device, &init_.format, 0, 0, CALLBACK_FUNCTION);
    if (result != MMSYSERR_NOERROR) {
        device_ = nullptr;
        SetLastError(result);
        return 0;
    }
    PrepareBuffers();
    ++openCount_;
    if (paused_) {
        // A mixer paused while closed starts its new device paused.
        paused_ = 0;
        Pause(1);
    }
    return 1;
}

void CPCMMixer::Close() {
    CEngineLockGuard hold(EngineLock());
    if (openCount_ == 1 && device_ != nullptr) CloseDevice();
    if (openCount_ > 0) --openCount_;
}

void CPCMMixer::CloseDevice() {
    paused_ = 0;
    Stop();
    SetPlayMode(0);
    waveOutReset(device_);
    UnprepareBuffers();
    waveOutClose(device_);
    device_ = nullptr;
}

void CPCMMixer::PrepareBuffers() {
    for (_pcm_mix_buffer& buffer : buffers_) {
        buffer.header = WAVEHDR{};
        buffer.header.lpData = reinterpret_cast<char*>(buffer.data.data());
        buffer.header.dwBufferLength = init_.bufferBytes;
        buffer.free = 1;
        waveOutPrepareHeader(device_, &buffer.header, sizeof buffer.header);
    }
}

void CPCMMixer::UnprepareBuffers() {
    for (_pcm_mix_buffer& buffer : buffers_) {
        waveOutUnprepareHeader(device_, &buffer.header, sizeof buffer.header);
        buffer.free = 1;
    }
}

int CPCMMixer::IsOpen() {
    CEngineLockGuard hold(EngineLock());
    return device_ != nullptr ? 1 : 0;
}

int CPCMMixer::Play(CAudioAtom* root, std::int32_t startMs, std::int32_t /*lengthMs*/) {
    CEngineLockGuard hold(EngineLock());
    if (playMode_ || root == nullptr) return 0;
    if (device_ == nullptr && !Open()) return 0;
    startTick_ = WaitClockMilliseconds();
    SetPlayMode(1);
    if (root_ != nullptr) StopAtom(root_, 0);
    root_ = root;
    timeWindow_ = startMs;
    startOffset_ = startMs;
    PlayAtom(root, startMs, 0.0);
    return 1;
}

void CPCMMixer::Stop() {
    CEngineLockGuard hold(EngineLock());
    if (!playMode_) return;
    if (root_ != nullptr) StopAtom(root_, 0);
    if (device_ != nullptr) waveOutReset(device_);
    CleanUpPlayingSounds(1);
    SetPlayMode(0);
}

void CPCMMixer::SetPlayMode(int on) {
    CEngineLockGuard hold(EngineLock());
    playMode_ = on;
}

int CPCMMixer::Playing() {
    CEngineLockGuard hold(EngineLock());
    return playMode_;
}

void CPCMMixer::SetAtomPlayMode(CAudioAtom* atom, int on, std::int32_t offset) {
    CEngineLockGuard hold(EngineLock());
    if (atom == nullptr) return;
    if (on) {
        playModeList_.AddSorted(atom, offset);
        return;
    }
    playModeList_.Remove(atom);
    atom->SetPlayMode(0, offset);
}

void CPCMMixer::SendPlayModeNotices() {
    for (int i = 0; i < playModeList_.Count(); ++i) {
        std::int32_t key = 0;
        auto* atom = static_cast<CAudioAtom*>(playModeList_.Index(i, &key));
        atom->SetPlayMode(1, key);
    }
    playModeList_.RemoveAll();
}

bool CPCMMixer::Started(CAudioAtom* atom) {
    return atom->Playing() || playModeList_.Member(atom);
}

int CPCMMixer::PlayAtom(CAudioAtom* atom, std::int32_t offset, double delayMs) {
    CEngineLockGuard hold(EngineLock());
    if (atom != nullptr && !atom->Playing()) {
        atom->AddReference();
        StartMixingAtom(atom, offset, delayMs);
        SetAtomPlayMode(atom, 1, offset);
    }
    return 1;
}

void CPCMMixer::StopAtom(CAudioAtom* atom, int force) {
    CEngineLockGuard hold(EngineLock());
    if (atom == nullptr) return;
    // Stopping the sound being recorded into ends the recording.
    if (StopRecordingAtom(atom)) return;
    // An atom whose play-mode notice is still to come was started by this
    // mixer and holds its reference as well as one that plays.
    if (!force && !Started(atom)) return;
    StopMixingAtom(atom);
    if ((atom->Type() & ATOM_KIND_GROUP) != 0) {
        auto* group = static_cast<CSoundGroup*>(atom);
        for (int i = 0; i < group->NumAtoms(CSoundGroup::kAllMemberKinds, 0); ++i) {
            std::int32_t offset = 0;
            CAudioAtom* member = group->GetAtom(i, &offset);
            if (member != nullptr && Started(member)) StopAtom(member, 0);
        }
    }
    // A rate change seen while it played is of no use to a later start,
    // which reads the maps afresh; left set, clean-up would restart the
    // sound at once and throw away its delay.
    atom->ClearMixerFlag(ATOM_MIXER_STOP | ATOM_MIXER_RATE_CHANGED);
    SetAtomPlayMode(atom, 0, 0);
    if (atom == root_) root_ = nullptr;
    DeleteAtom(&atom);
}

int CPCMMixer::Mix() {
    CEngineLockGuard hold(EngineLock());
    bool stopping = false;
    if (root_ != nullptr) {
        const bool stopAsked = root_->GetFlag(ATOM_MIXER_STOP) != 0;
        if (stopAsked || GetMillisecondsPlayedSoFar() >= root_->Length(0) - startOffset_) {
            StopAtom(root_, 0);
            stopping = true;
        }
    }
    if (!stopping && ((root_ != nullptr && root_->Playing()) || playModeList_.Count() != 0 || mixingList_.Count() != 0)) {
        RefillBuffers();
        return 0;
    }
    if (device_ != nullptr) {
        if (AnyBufferQueued() && !stopping) return 0;
        IncrementTimeWindow(bufferDuration_);
        SetPlayMode(0);
        Close();
    }
    return 0;
}

void CPCMMixer::RefillBuffers() {
    double total = 0.0;
    for (_pcm_mix_buffer& buffer : buffers_) {
        if (buffer.free || (WaveHeaderFlags(&buffer.header) & WHDR_DONE) != 0) {
            SetWaveHeaderFlags(&buffer.header, 0);
            buffer.free = 1;
            total += bufferDuration_;
        }
    }
    if (total == 0.0) return;
    // The window moves on by all the buffers at once; each buffer is then
    // mixed from its own place in it.
    mixingFromMs_ = timeWindow_;
    IncrementTimeWindow(total);
    bool first = true;
    for (_pcm_mix_buffer& buffer : buffers_) {
        if (!buffer.free) continue;
        MixIntoBuffer(&buffer);
        mixingFromMs_ += bufferDuration_;
        buffer.free = 0;
        // The objects started in this window are heard from this buffer on.
        if (first) SendPlayModeNotices();
        first = false;
    }
}

bool CPCMMixer::AnyBufferQueued() const {
    return std::any_of(buffers_.begin(), buffers_.end(), [](const _pcm_mix_buffer& buffer) {
        return !buffer.free && (WaveHeaderFlags(&buffer.header) & WHDR_DONE) == 0;
    });
}

void CPCMMixer::Pause(int on) {
    CEngineLockGuard hold(EngineLock());
    if (on && !paused_) {
        paused_ = 1;
        if (device_ != nullptr) waveOutPause(device_);
    } else if (!on && device_ != nullptr && paused_) {
        paused_ = 0;
        waveOutRestart(device_);
    }
}

int CPCMMixer::IsPaused() {
    CEngineLockGuard hold(EngineLock());
    return paused_;
}

std::int32_t CPCMMixer::GetMillisecondsPlayedSoFar() {
    CEngineLockGuard hold(EngineLock());
    MMTIME time;
    time.wType = TIME_MS;
    if (device_ == nullptr || waveOutGetPosition(device_, &time, sizeof time) != MMSYSERR_NOERROR) {
        std::int64_t elapsed = WaitClockMilliseconds() - startTick_;
        const std::int32_t latency = Latency();
        if (elapsed > latency) elapsed -= latency;
        return static_cast<std::int32_t>(elapsed);
    }
    const WAVEFORMATEX& format = init_.format;
    switch (time.wType) {
    case TIME_MS:
        return static_cast<std::int32_t>(time.u.ms);
    case TIME_SAMPLES:
        return static_cast<std::int32_t>(std::int64_t{time.u.sample} * 1000 / format.nSamplesPerSec);
    case TIME_BYTES:
        return static_cast<std::int32_t>(time.u.cb * 1000.0 / format.nAvgBytesPerSec);
    default:
        return 0;
    }
}

std::int32_t CPCMMixer::Latency() {
    CEngineLockGuard hold(EngineLock());
    const std::uint32_t perSecond = init_.format.nAvgBytesPerSec;
    if (perSecond == 0) return 0;
    const std::int64_t count = std::max(init_.bufferCount, 0);
    return static_cast<std::int32_t>(count * init_.bufferBytes * 1000 / perSecond);
}

std::int32_t CPCMMixer::CurrentOffset(CAudioAtom* atom) {
    CEngineLockGuard hold(EngineLock());
    if (atom == nullptr || !atom->Playing()) return 0;
    std::int64_t offset = 0;
    CAudioAtom* parent = atom->Parent();
    if (parent != nullptr && parent->Playing()) {
        offset = static_cast<std::int32_t>(timeWindow_) - atom->AbsoluteOffset();
    } else {
        offset = WaitClockMilliseconds() - startTick_;
        // The root was started startOffset ms into itself.
        if (atom == root_) offset += static_cast<std::int64_t>(startOffset_);
    }
    offset = std::min<std::int64_t>(offset, atom->Length(0));
    return static_cast<std::int32_t>(std::max<std::int64_t>(offset, 0));
}

void CPCMMixer::Idle() {
    CEngineLockGuard hold(EngineLock());
    for (int i = 0; i < mixingList_.Count(); ++i) {
        TMixingEntry* entry = EntryAt(i);
        if (entry->state == 1) entry->sound->Idle(&init_.format);
    }
}
