// Rendering a sound group into a caller's data sink, window by window: the
// sounds that start in a window join the sink list, every listed sound mixes
// its next PCM into the window's buffer, and the buffer goes to the caller's
// write function. Runs on the caller's thread, without the engine lock.
//
// The sink list holds a reference on every sound it lists, as the playback
// list does: the program may take a sound out of the tree (and drop the
// tree's reference) while the rendering still mixes it. References are let
// go of outside the list's lock, since a sound that dies may take the
// engine lock.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "tonecore/sound/held_members.h"
#include "tonecore/pcm/pcm_block.h"
#include "tonecore/mix/pcm_mixer.h"
#include "tonecore/sound/pcm_sound.h"
#include "tonecore/sound/sound_group.h"

namespace {

// Kinds the mixer reads as sounds.
constexpr int kSoundKinds = 4 | 8 | 16;

std::uint32_t AlignDown(std::uint64_t bytes, std::uint32_t align) {
    return static_cast<std::uint32_t>(bytes - bytes % align);
}

// Where the latest-placed sound of the group starts, in ms from the group's
// start: the last member, and inside a group its last member, and so on.
std::int64_t LastStart(CSoundGroup* group) {
    std::int64_t start = 0;
    // Each level's members stay held until the walk is done: a member may
    // be taken out of the tree meanwhile.
    std::vector<std::unique_ptr<CHeldMembers>> levels;
    while (group != nullptr) {
        levels.push_back(std::make_unique<CHeldMembers>(*group));
        const auto& members = levels.back()->Members();
        if (members.empty()) break;
        const auto& [last, offset] = members.back();
        start += offset;
        group = (last->Type() & ATOM_KIND_GROUP) ? static_cast<CSoundGroup*>(last) : nullptr;
    }
    return start;
}

}  // namespace

struct CPCMMixer::TSinkRun {
    WAVEFORMATEX format{};
    std::vector<std::uint8_t> buffer;
    // Bytes of the buffer in use: the window's length in bytes.
    std::uint32_t size = 0;
    // Where the window starts on the group's time line (ms), and the group's
    // absolute offset.
    double windowStart = 0.0;
    std::int32_t base = 0;
    // Bytes a write function left untaken; they go first into the next
    // write, so what the sink receives stays one unbroken stream.
    std::vector<std::uint8_t> untaken;
};

int CPCMMixer::MixingSoundToFile(CPCMSound* sound) {
    std::lock_guard<std::mutex> hold(sinkListLock_);
    return sound != nullptr && sinkList_.Member(sound) ? 1 : 0;
}

void CPCMMixer::ReadAtomsOnRIFFList(CMyList* list, CSoundGroup* group, double windowStart, double windowEnd,
                                    std::int32_t base) {
    if (list == nullptr || group == nullptr) return;
    // The members are held while they are looked at: the program may take
    // one out of the tree, and free it, while this runs.
    CHeldMembers held(*group);
    for (const auto& placed : held.Members()) {
        CAudioAtom* member = placed.member;
        const int kind = member->Type();
        if ((kind & CSoundGroup::kAllMemberKinds) == 0) continue;
        if (kind & ATOM_KIND_GROUP) {
            ReadAtomsOnRIFFList(list, static_cast<CSoundGroup*>(member), windowStart, windowEnd, base);
            continue;
        }
        auto* sound = (kind & kSoundKinds) ? dynamic_cast<CPCMSound*>(member) : nullptr;
        if (sound == nullptr) continue;
        const std::int64_t start = std::int64_t{sound->AbsoluteOffset()} - base;
        if (windowStart <= double(start) && double(start) < windowEnd) {
            // A sound that cannot be readied is left out; the others play on.
            std::lock_guard<std::mutex> hold(sinkListLock_);
            if (!list->Member(sound) && sound->Load(0) &&
                list->InsertNewHead(sound, static_cast<std::int32_t>(start - static_cast<std::int64_t>(windowStart))) == 0) {
                sound->AddReference();
            }
        } else if ((sound->InPlayOnceMode() && sound->FinishedWithPlayOnce()) ||
                   (!sound->InPlayOnceMode() && double(start + sound->Length(0)) <= windowStart)) {
            TakeOffSinkList(list, sound);
        }
    }
}

void CPCMMixer::TakeOffSinkList(CMyList* list, CPCMSound* sound) {
    bool listed = false;
    {
        std::lock_guard<std::mutex> hold(sinkListLock_);
        listed = list->Member(sound) != 0;
        if (listed) list->Remove(sound);
    }
    CAudioAtom* atom = sound;
    if (listed) DeleteAtom(&atom);
}

std::uint32_t CPCMMixer::MixSinkWindow(TSinkRun& run) {
    const std::uint32_t align = run.format.nBlockAlign;
    std::uint32_t largest = 0;
    for (int i = 0;;) {
        CPCMSound* sound = nullptr;
        std::int32_t key = 0;
        {
            std::lock_guard<std::mutex> hold(sinkListLock_);
            sound = static_cast<CPCMSound*>(sinkList_.Index(i, &key));
        }
        if (sound == nullptr) break;
        sound->Idle(&run.format);
        // The key counts whole milliseconds from the window's start; a window
        // that starts between two (after a sink took an odd size) would move
        // the sound by the fraction, so a sound that joins in this window is
        // placed from its exact start.
        double fromStart = double(std::max(key, 0));
        const double start = double(std::int64_t{sound->AbsoluteOffset()} - run.base);
        if (key > 0 || start >= run.windowStart) fromStart = std::max(start - run.windowStart, 0.0);
        // Whole frames; the small allowance keeps a start that falls on a
        // frame from being taken for the one before through rounding.
        const auto frames = static_cast<std::uint64_t>(fromStart * run.format.nSamplesPerSec / 1000.0 + 1e-6);
        const std::uint32_t offset = static_cast<std::uint32_t>(std::min<std::uint64_t>(frames * align, run.size));
        if (offset >= run.size) {
            ++i;
            continue;
        }
        _bufferType block;
        block.format = &run.format;
        block.data = run.buffer.data() + offset;
        block.size = run.size - offset;
        block.frames = block.size / align;
        std::int32_t bytes = 0;
        const TRenderResult result = sound->ReadData(&block, bytes);
        // The end of what a sound mixed, not its count alone: a sound that
        // starts inside the last window must not lose its end.
        largest = std::max(largest, offset + static_cast<std::uint32_t>(std::clamp<std::int32_t>(
                                                 bytes, 0, static_cast<std::int32_t>(block.size))));
        if (result != RENDER_MORE) {
            {
                std::lock_guard<std::mutex> hold(sinkListLock_);
                sinkList_.RemoveByIndex(i);
            }
            CAudioAtom* listed = sound;
            DeleteAtom(&listed);
        } else {
            ++i;
        }
    }
    return largest;
}

void CPCMMixer::ResetSinkKeys() {
    std::lock_guard<std::mutex> hold(sinkListLock_);
    const int count = sinkList_.Count();
    for (int i = 0; i < count; ++i) {
        void* sound = sinkList_.Index(i);
        sinkList_.RemoveByIndex(i);
        sinkList_.InsertNewHead(sound, 0);
    }
}

int CPCMMixer::MixToDataSink(CSoundGroup* group, TDataWriteFunction write, void* user, const WAVEFORMATEX* format,
                             std::int32_t lengthMs, std::int32_t bufferBytes) {
    percentMixed_ = 0;
    if (group == nullptr || write == nullptr || format == nullptr || format->nAvgBytesPerSec == 0 ||
        format->nBlockAlign == 0) {
        return 0;
    }
    // The format is in place before the flag tells readers to take it.
    SetSinkFormat(*format);
    sinkFlag_ = 1;
    TSinkRun run;
    run.format = *format;
    run.format.cbSize = 0;
    const std::uint32_t bytesPerSecond = run.format.nAvgBytesPerSec;
    const std::uint32_t align = run.format.nBlockAlign;
    // A buffer of whole frames, so every sound mixes on a frame boundary.
    run.size = std::max(AlignDown(bufferBytes == -1 ? bytesPerSecond : std::uint32_t(std::max(bufferBytes, 0)), align),
                        align);
    try {
        run.buffer.resize(run.size);
    } catch (const std::bad_alloc&) {
        sinkFlag_ = 0;
        return 0;
    }

    const std::int64_t totalBytes =
        AlignDown(static_cast<std::uint64_t>(std::max(0.0, double(bytesPerSecond) * lengthMs * 0.001)), align);
    run.base = group->AbsoluteOffset();
    const std::int64_t lastStart = LastStart(group);
    const std::uint8_t silence = run.format.wBitsPerSample == 16 ? 0 : 0x80;
    double& windowStart = run.windowStart;
    std::int64_t delivered = 0;
    for (;;) {
        if (delivered >= totalBytes && !(group->InPlayOnceMode() && sinkList_.Count() > 0)) break;
        std::fill(run.buffer.begin(), run.buffer.begin() + run.size, silence);
        const double windowEnd = windowStart + double(run.size) * 1000.0 / bytesPerSecond;
        ReadAtomsOnRIFFList(&sinkList_, group, windowStart, windowEnd, run.base);
        const std::uint32_t largest = MixSinkWindow(run);
        ResetSinkKeys();
        std::uint32_t count = run.size;
        if (sinkList_.Count() == 0 && double(lastStart) < windowEnd) count = largest;
        windowStart += double(count) * 1000.0 / bytesPerSecond;

        std::uint8_t* data = run.buffer.data();
        std::uint32_t offered = count;
        if (!run.untaken.empty()) {
            run.untaken.insert(run.untaken.end(), run.buffer.begin(), run.buffer.begin() + count);
            data = run.untaken.data();
            offered = static_cast<std::uint32_t>(run.untaken.size());
        }
        if (offered == 0) break;
        std::int32_t taken = static_cast<std::int32_t>(offered);
        const TDataWriteCode code = write(reinterpret_cast<char*>(data), taken, user);
        taken = std::clamp<std::int32_t>(taken, 0, static_cast<std::int32_t>(offered));
        delivered += taken;
        percentMixed_ = static_cast<std::int32_t>(std::min(100.0, double(delivered) / double(totalBytes) * 100.0));
        if (std::uint32_t(taken) < offered) {
            // What the sink did not take is already mixed (the sounds have
            // moved past it): it is offered again first, and the following
            // windows take the size the sink takes.
            std::vector<std::uint8_t> rest(data + taken, data + offered);
            run.untaken.swap(rest);
            // A sink that takes nothing would never let the rendering move.
            if (taken == 0) break;
            run.size = std::max(AlignDown(std::uint32_t(taken), align), align);
        } else {
            run.untaken.clear();
        }
        if (code != 0) break;
    }
    std::vector<CAudioAtom*> listed;
    {
        std::lock_guard<std::mutex> hold(sinkListLock_);
        for (int i = 0; void* sound = sinkList_.Index(i); ++i) listed.push_back(static_cast<CPCMSound*>(sound));
        sinkList_.RemoveAll();
    }
    for (CAudioAtom* sound : listed) DeleteAtom(&sound);
    sinkFlag_ = 0;
    percentMixed_ = 0;
    return 1;
}
