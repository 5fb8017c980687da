#pragma once
// The engine's service thread, started and stopped by start-up and shut-down
// (engine_startup.h describes its passes).

#include <chrono>

// Starts the thread (stopping one that still runs first). False when the
// system gives no thread.
bool StartServiceThread();
// Asks the thread to end and waits for it; returns at once when none runs.
void StopServiceThread();
// At library unload: asks a still running thread to end without waiting.
void AbandonServiceThread();
// 1 while a service thread runs.
int ServiceThreadRunning();

// One pass over the current mixer under the engine lock; the wait before the
// next pass.
std::chrono::milliseconds ServiceCurrentMixer();

// For tests: thread creation fails while set.
void SetServiceThreadCreationFails(bool fails);
