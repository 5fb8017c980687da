#pragma once
// Starting and stopping the sound engine. The program calls
// SoundEngineStartup once its log is set up and SoundEngineShutdown before it
// ends; a start-up after a shut-down starts the engine afresh.
//
// Start-up, in order: keeps the instance, resets the thresholds and the CD
// block alignment, creates the loaded-sound registry (kept when one is
// there already), starts the service thread, sets the conversion state's
// starting values and the temporary sound folder (the per-user cache
// folder), and finds the engine's keyed text file.
//
// The service thread drives the current mixer (engine_mixer.h): every 20 ms
// while nothing plays, every 1 ms after a pass that played or recorded. Each
// pass holds the engine lock: Idle; then Mix when playing (with
// ContinueRecording first when also recording), ContinueRecording when only
// recording, or Close for a mixer that is open but does neither.

// 1 on success; 0 when the service thread could not be created. That failure
// is logged and handed to the notification hook with the text
// "Cannot Create necessary thread!" and the caption "Sound Engine" (from the
// engine's keyed text file); nothing done before it is undone.
int SoundEngineStartup(void* instance);

// Stops the service thread (waiting for it to end) and frees the
// loaded-sound registry. A second call does nothing. It must not be called
// with the engine lock held, since the thread's last pass may be waiting for
// it. The engine lock itself stays usable.
void SoundEngineShutdown();

// 1 between a successful start-up and the shut-down.
int SoundEngineStarted();

// The program's way to show the engine's failure messages (the engine has no
// windows): called with the text and the caption, on the thread that failed.
// Null removes the hook; the message is logged either way.
using TEngineNotifyHook = void (*)(const char* text, const char* caption);
void SetSoundEngineNotifyHook(TEngineNotifyHook hook);

// For tests: makes the next service-thread creations fail as if the system
// had refused a thread.
void SetServiceThreadCreationFailsForTest(bool fails);
