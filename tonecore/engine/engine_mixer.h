#pragma once
// What the engine asks of the current mixer: the service thread drives it,
// and sound objects hand themselves to it to be played. The sound-card
// mixer implements it; tests drive the thread with a fake.
//
// Every call below is made with the engine lock held (engine_lock.h), and a
// mixer takes the same lock in each of its own public operations, so calls
// from the program's threads and from the service thread never overlap.

#include <cstdint>

class CAudioAtom;

class IEngineMixer {
public:
    // Starts playing root from offset ms on (flags 0 for a normal start).
    // Non-zero when the mixer took it.
    virtual int Play(CAudioAtom* root, std::int32_t offset, int flags) = 0;
    // Lets each sound being played top up its decoding buffer.
    virtual void Idle() = 0;
    // Non-zero while the play mode is on: the thread then calls Mix.
    virtual int Playing() = 0;
    // Non-zero while the mixer records from the sound card.
    virtual int Recording() = 0;
    // One recording step: collects the input buffers the card has filled.
    virtual int ContinueRecording() = 0;
    // One playback step: refills the output buffers the card has finished.
    virtual int Mix() = 0;
    // Non-zero while the wave device is open.
    virtual int IsOpen() = 0;
    // Closes the device (one open is matched); the thread calls it for an
    // open mixer that neither plays nor records.
    virtual void Close() = 0;

protected:
    // The engine never deletes a mixer; its owner does.
    ~IEngineMixer() = default;
};

// The mixer the service thread drives, null for none. Both run inside the
// engine lock. A mixer makes itself current when it is made and, inside the
// engine lock, clears the current mixer in its destructor when it is the
// current one, so the thread never meets a destroyed mixer.
void SetCurrentMixer(IEngineMixer* mixer);
IEngineMixer* GetCurrentMixer();
