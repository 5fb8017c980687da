#pragma once
// Letting go of a media interface the engine holds: released once and the
// pointer cleared, so a second close finds nothing to release.

template <typename T>
void ReleaseInterface(T*& pointer) {
    if (pointer != nullptr) pointer->Release();
    pointer = nullptr;
}
