#include "tonecore/engine/sound_loaded.h"

#include <cstring>
#include <mutex>
#include <new>

#include "filekit/file_obj.h"

namespace {

CSoundLoaded* g_registry = nullptr;
// Guards the registry pointer and the list behind it. Sounds are made on the
// program's and the loaders' threads but may die on the service thread (when
// the mixer lets go of the last reference), so the list is changed from
// several threads. It is the innermost lock of the engine: nothing is called
// out of the registry while it is held.
std::mutex g_registryLock;

// The path of the sound's file stream; null when it has no stream or the
// stream is not a file.
const char* FilePathOf(const ILoadedSound* sound) {
    if (sound == nullptr) return nullptr;
    CRefObj* stream = sound->LoadedDataStream();
    if (stream == nullptr || stream->Type() != CFileObj::kFileType) return nullptr;
    const auto* file = dynamic_cast<const CFileObj*>(stream);
    return file != nullptr ? file->FilePath() : nullptr;
}

ILoadedSound* SoundAt(const CMyArrayList& list, int i) {
    return static_cast<ILoadedSound*>(list.Index(i));
}

}  // namespace

ILoadedSound* CSoundLoaded::SoundLoaded(const char* path) const {
    if (path == nullptr) return nullptr;
    for (int i = 0; i < Count(); ++i) {
        ILoadedSound* sound = SoundAt(*this, i);
        const char* own = FilePathOf(sound);
        if (own != nullptr && std::strcmp(own, path) == 0) return sound;
    }
    return nullptr;
}

void CSoundLoaded::AddSound(ILoadedSound* sound) { AppendToTail(sound, 0); }

void CSoundLoaded::RemoveSound(ILoadedSound* sound) { Remove(sound); }

CMyArrayList* CSoundLoaded::GetAllDuplicates(const ILoadedSound* sound) const {
    const char* path = FilePathOf(sound);
    if (path == nullptr) return nullptr;
    auto* list = new (std::nothrow) CMyArrayList;
    if (list == nullptr) return nullptr;
    for (int i = 0; i < Count(); ++i) {
        ILoadedSound* other = SoundAt(*this, i);
        if (other == sound) continue;
        const char* otherPath = FilePathOf(other);
        if (otherPath != nullptr && std::strcmp(otherPath, path) == 0) {
            const int before = list->Count();
            list->AppendToTail(other, 0);
            if (list->Count() == before) {  // out of memory: no half answer
                delete list;
                return nullptr;
            }
        }
    }
    if (list->Count() == 0) {
        delete list;
        return nullptr;
    }
    return list;
}

CSoundLoaded* GetSoundRegistry() {
    std::lock_guard<std::mutex> hold(g_registryLock);
    return g_registry;
}
void SetSoundRegistry(CSoundLoaded* registry) {
    std::lock_guard<std::mutex> hold(g_registryLock);
    g_registry = registry;
}

ILoadedSound* SoundExists(const char* path) {
    std::lock_guard<std::mutex> hold(g_registryLock);
    return g_registry != nullptr ? g_registry->SoundLoaded(path) : nullptr;
}
void AddTheSound(ILoadedSound* sound) {
    std::lock_guard<std::mutex> hold(g_registryLock);
    if (g_registry != nullptr) g_registry->AddSound(sound);
}
void RemoveTheSound(ILoadedSound* sound) {
    std::lock_guard<std::mutex> hold(g_registryLock);
    if (g_registry != nullptr) g_registry->RemoveSound(sound);
}
CMyArrayList* GetDuplicateList(const ILoadedSound* sound) {
    std::lock_guard<std::mutex> hold(g_registryLock);
    return g_registry != nullptr ? g_registry->GetAllDuplicates(sound) : nullptr;
}
