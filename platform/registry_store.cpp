#include "platform/registry_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "platform/last_error.h"
#include "platform/registry_text.h"
#include "platform/user_folders.h"

// An opened key: its root and its node. The predefined roots have no node of
// their own; they stand for whatever tree their root has loaded.
struct TRegKeyHandle {
    int root;
    std::shared_ptr<TRegNode> node;
};

namespace {

constexpr int kRootCount = 2;
constexpr const char* kRootNames[kRootCount] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
constexpr const char* kRootFiles[kRootCount] = {"current_user.reg", "local_machine.reg"};

TRegKeyHandle gPredefined[kRootCount] = {{0, nullptr}, {1, nullptr}};

struct TRoot {
    std::shared_ptr<TRegNode> tree;  // null until first used
    std::string path;                // the file it was read from and is saved to
    bool dirty = false;
    // False when the file on disk must not be replaced: it could not be read,
    // or it was damaged and could not be moved aside.
    bool savable = true;
};

struct TStore {
    std::mutex lock;
    std::string folder;  // empty: the per-user config folder
    TRoot roots[kRootCount];
    std::unordered_set<const TRegKeyHandle*> handles;
    std::vector<std::string> reports;  // delivered once the lock is released
};

std::atomic<RegistryReportFunction> gReportHook{nullptr};
std::atomic<RegistryWriteFunction> gWriteFunction{nullptr};

void SaveAtExit() {
    RegistryStoreSave();
}

TStore& Store() {
    // Never destroyed: key objects in static storage may still close their
    // handles after the exit-time save.
    static TStore* store = [] {
        std::atexit(SaveAtExit);
        return new TStore;
    }();
    return *store;
}

void Deliver(const std::string& text) {
    if (RegistryReportFunction hook = gReportHook.load(); hook != nullptr) {
        hook(text.c_str());
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

// Holds the store's lock; reports queued meanwhile go out after unlocking, so
// the store stays the innermost lock even when the hook logs.
class CLockedStore {
public:
    CLockedStore() : store_(Store()), guard_(store_.lock) {}
    ~CLockedStore() {
        std::vector<std::string> reports;
        reports.swap(store_.reports);
        guard_.unlock();
        for (const std::string& text : reports) Deliver(text);
    }
    CLockedStore(const CLockedStore&) = delete;
    CLockedStore& operator=(const CLockedStore&) = delete;

    TStore* operator->() { return &store_; }
    TStore& operator*() { return store_; }

private:
    TStore& store_;
    std::unique_lock<std::mutex> guard_;
};

// Runs an operation, keeping allocation failures inside the library.
template <typename Operation>
std::uint32_t Guarded(Operation operation) {
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

// Thread-safe, unlike strerror.
std::string ErrnoText(int err) {
    return std::error_code(err, std::generic_category()).message();
}

std::string FolderOf(const TStore& store) {
    return store.folder.empty() ? GetUserConfigDir() : store.folder;
}

// 0, or the errno of the failed read.
int ReadWholeFile(const std::string& path, std::string& text) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    char buffer[65536];
    int err = 0;
    while (true) {
        const ssize_t got = read(fd, buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) err = errno;
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return err;
}

// Renames a damaged file to a free "<path>.damaged-<time>" name; the new
// path, or empty when it could not be moved.
std::string MoveAside(const std::string& path) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof(stamp), "%Y%m%d-%H%M%S", &local);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string aside = path + ".damaged-" + stamp;
        if (attempt != 0) {
            aside += '-';
            aside += std::to_string(attempt);
        }
        struct stat st {};
        if (stat(aside.c_str(), &st) == 0) continue;
        if (rename(path.c_str(), aside.c_str()) == 0) return aside;
        return {};
    }
    return {};
}

TRegNode& LoadedRoot(TStore& store, int index) {
    TRoot& root = store.roots[index];
    if (root.tree != nullptr) return *root.tree;
    root.tree = std::make_shared<TRegNode>();
    root.tree->name = kRootNames[index];
    root.dirty = false;
    root.savable = true;
    const std::string folder = FolderOf(store);
    if (folder.empty()) {
        root.savable = false;
        store.reports.push_back(std::string("RegistryStore::Load - no config folder; changes to ") +
                                kRootNames[index] + " will not be saved");
        return *root.tree;
    }
    root.path = folder + kRootFiles[index];
    std::string text;
    if (const int err = ReadWholeFile(root.path, text); err != 0) {
        if (err != ENOENT) {
            root.savable = false;
            store.reports.push_back("RegistryStore::Load - cannot read " + root.path + " (" +
                                    ErrnoText(err) + "); changes to it will not be saved");
        }
        return *root.tree;
    }
    std::string why;
    if (ReadRegistryText(text, kRootNames[index], *root.tree, why)) return *root.tree;

    // Start empty, but keep the damaged file for whoever wants its contents.
    root.tree = std::make_shared<TRegNode>();
    root.tree->name = kRootNames[index];
    const std::string aside = MoveAside(root.path);
    const int moveError = errno;
    if (aside.empty()) {
        root.savable = false;
        store.reports.push_back("RegistryStore::Load - " + root.path + " is damaged (" + why +
                                ") and could not be moved aside (" + ErrnoText(moveError) +
                                "); changes to it will not be saved");
    } else {
        store.reports.push_back("RegistryStore::Load - " + root.path + " is damaged (" + why +
                                "); moved aside to " + aside);
    }
    return *root.tree;
}

// Writes text to a temporary file beside path, syncs it and renames it over
// path. Empty on success, else why not; path is untouched on failure.
std::string WriteFileAtomically(const std::string& path, const std::string& text) {
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    if (!folder.empty() && !MakeFolderPath(folder)) return "cannot make " + folder;
    const std::string temp = path + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return ErrnoText(errno);
    RegistryWriteFunction writeFunction = gWriteFunction.load();
    if (writeFunction == nullptr) writeFunction = write;
    std::size_t done = 0;
    int err = 0;
    while (done < text.size()) {
        const ssize_t wrote = writeFunction(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            err = wrote < 0 ? errno : EIO;
            break;
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (err == 0 && fsync(fd) != 0) err = errno;
    if (close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        unlink(temp.c_str());
        return ErrnoText(err);
    }
    // The rename itself reaches the disk with the folder's entry.
    if (const int dirFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
        dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return {};
}

std::uint32_t SaveLocked(TStore& store, int index) {
    TRoot& root = store.roots[index];
    if (root.tree == nullptr || !root.dirty) return ERROR_SUCCESS;
    if (!root.savable) return ERROR_CANTWRITE;
    const std::string why =
        WriteFileAtomically(root.path, WriteRegistryText(kRootNames[index], *root.tree));
    if (!why.empty()) {
        store.reports.push_back("RegistryStore::Save - could not write " + root.path + " (" + why +
                                "); the previous file is kept");
        return ERROR_CANTWRITE;
    }
    root.dirty = false;
    return ERROR_SUCCESS;
}

int PredefinedIndex(HKEY key) {
    for (int i = 0; i < kRootCount; ++i) {
        if (key == &gPredefined[i]) return i;
    }
    return -1;
}

// The node behind a handle and its root index; null with code set when the
// handle is unknown or its key was deleted.
std::shared_ptr<TRegNode> Resolve(TStore& store, HKEY key, int& rootIndex, std::uint32_t& code) {
    if (const int index = PredefinedIndex(key); index >= 0) {
        rootIndex = index;
        LoadedRoot(store, index);
        return store.roots[index].tree;
    }
    if (key == nullptr || store.handles.count(key) == 0) {
        code = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    if (key->node->deleted) {
        code = ERROR_KEY_DELETED;
        return nullptr;
    }
    rootIndex = key->root;
    return key->node;
}

// The '\'-separated names of a path; empty names (doubled separators) are
// skipped.
std::vector<std::string_view> SplitPath(const char* path) {
    std::vector<std::string_view> names;
    std::string_view rest = path != nullptr ? path : "";
    while (!rest.empty()) {
        const std::size_t slash = rest.find('\\');
        const std::string_view name = rest.substr(0, slash);
        if (!name.empty()) names.push_back(name);
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    return names;
}

// Runs an operation on the node behind key under the store's lock; the
// handle's error when it does not resolve.
template <typename Operation>
std::uint32_t WithKey(HKEY key, Operation operation) {
    return Guarded([&]() -> std::uint32_t {
        CLockedStore store;
        int rootIndex = 0;
        std::uint32_t code = ERROR_SUCCESS;
        std::shared_ptr<TRegNode> node = Resolve(*store, key, rootIndex, code);
        if (node == nullptr) return code;
        return operation(*store, rootIndex, node);
    });
}

std::uint32_t OpenOrCreate(HKEY key, const char* path, HKEY* result, bool create) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    return WithKey(key, [&](TStore& store, int rootIndex, std::shared_ptr<TRegNode>& node) {
        for (std::string_view name : SplitPath(path)) {
            std::shared_ptr<TRegNode> next = node->FindSubKey(name);
            if (next == nullptr) {
                if (!create) return ERROR_FILE_NOT_FOUND;
                if (!IsValidRegKeyName(name) || node->depth >= kRegMaxKeyDepth) {
                    return ERROR_INVALID_PARAMETER;
                }
                next = node->AddSubKey(name);
                store.roots[rootIndex].dirty = true;
            }
            node = std::move(next);
        }
        auto* handle = new TRegKeyHandle{rootIndex, std::move(node)};
        store.handles.insert(handle);
        *result = handle;
        return ERROR_SUCCESS;
    });
}

std::string_view ValueName(const char* name) {
    return name != nullptr ? name : "";
}

}  // namespace

const HKEY HKEY_CURRENT_USER = &gPredefined[0];
const HKEY HKEY_LOCAL_MACHINE = &gPredefined[1];

std::uint32_t RegOpenKey(HKEY key, const char* path, HKEY* result) {
    return OpenOrCreate(key, path, result, false);
}

std::uint32_t RegCreateKey(HKEY key, const char* path, HKEY* result) {
    return OpenOrCreate(key, path, result, true);
}

std::uint32_t RegCloseKey(HKEY key) {
    return Guarded([&]() -> std::uint32_t {
        CLockedStore store;
        int rootIndex = PredefinedIndex(key);
        if (rootIndex < 0) {
            if (key == nullptr || store->handles.erase(key) == 0) return ERROR_INVALID_HANDLE;
            rootIndex = key->root;
            delete key;
        }
        return SaveLocked(*store, rootIndex);
    });
}

std::uint32_t RegFlushKey(HKEY key) {
    return WithKey(key, [&](TStore& store, int rootIndex, std::shared_ptr<TRegNode>&) {
        return SaveLocked(store, rootIndex);
    });
}

std::uint32_t RegQueryValueEx(HKEY key, const char* name, std::uint32_t* type, std::uint8_t* data,
                              std::uint32_t* size) {
    if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
    return WithKey(key, [&](TStore&, int, std::shared_ptr<TRegNode>& node) {
        const TRegValue* value = node->FindValue(ValueName(name));
        if (value == nullptr) return ERROR_FILE_NOT_FOUND;
        const auto length = static_cast<std::uint32_t>(value->data.size());
        if (type != nullptr) *type = value->type;
        if (data != nullptr) {
            if (*size < length) {
                *size = length;
                return ERROR_MORE_DATA;
            }
            if (length != 0) std::memcpy(data, value->data.data(), length);
        }
        if (size != nullptr) *size = length;
        return ERROR_SUCCESS;
    });
}

std::uint32_t RegSetValueEx(HKEY key, const char* name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size) {
    if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
    return Guarded([&]() {
        // Copied before locking: data may be anything the caller owns.
        std::vector<std::uint8_t> bytes(data, data + size);
        return WithKey(key, [&](TStore& store, int rootIndex, std::shared_ptr<TRegNode>& node) {
            node->SetValue(ValueName(name), type, std::move(bytes));
            store.roots[rootIndex].dirty = true;
            return ERROR_SUCCESS;
        });
    });
}

std::uint32_t RegDeleteValue(HKEY key, const char* name) {
    return WithKey(key, [&](TStore& store, int rootIndex, std::shared_ptr<TRegNode>& node) {
        if (!node->RemoveValue(ValueName(name))) return ERROR_FILE_NOT_FOUND;
        store.roots[rootIndex].dirty = true;
        return ERROR_SUCCESS;
    });
}

std::uint32_t RegDeleteKey(HKEY key, const char* path) {
    return Guarded([&]() {
        const std::vector<std::string_view> names = SplitPath(path);
        if (names.empty()) return ERROR_INVALID_PARAMETER;
        return WithKey(key, [&](TStore& store, int rootIndex, std::shared_ptr<TRegNode>& node) {
            for (std::size_t i = 0; i + 1 < names.size(); ++i) {
                node = node->FindSubKey(names[i]);
                if (node == nullptr) return ERROR_FILE_NOT_FOUND;
            }
            if (!node->RemoveSubKey(names.back())) return ERROR_FILE_NOT_FOUND;
            store.roots[rootIndex].dirty = true;
            return ERROR_SUCCESS;
        });
    });
}

std::uint32_t RegEnumKey(HKEY key, std::uint32_t index, char* name, std::uint32_t size) {
    if (name == nullptr) return ERROR_INVALID_PARAMETER;
    return WithKey(key, [&](TStore&, int, std::shared_ptr<TRegNode>& node) {
        if (index >= node->subKeys.size()) return ERROR_NO_MORE_ITEMS;
        const std::string& found = node->subKeys[index]->name;
        if (found.size() + 1 > size) return ERROR_MORE_DATA;
        std::memcpy(name, found.c_str(), found.size() + 1);
        return ERROR_SUCCESS;
    });
}

std::uint32_t RegEnumValue(HKEY key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                           std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
    if (name == nullptr || nameSize == nullptr) return ERROR_INVALID_PARAMETER;
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    return WithKey(key, [&](TStore&, int, std::shared_ptr<TRegNode>& node) {
        if (index >= node->values.size()) return ERROR_NO_MORE_ITEMS;
        const TRegValue& value = node->values[index];
        if (value.name.size() + 1 > *nameSize) return ERROR_MORE_DATA;
        const auto length = static_cast<std::uint32_t>(value.data.size());
        if (data != nullptr && *dataSize < length) {
            *dataSize = length;
            return ERROR_MORE_DATA;
        }
        std::memcpy(name, value.name.c_str(), value.name.size() + 1);
        *nameSize = static_cast<std::uint32_t>(value.name.size());
        if (type != nullptr) *type = value.type;
        if (data != nullptr && length != 0) std::memcpy(data, value.data.data(), length);
        if (dataSize != nullptr) *dataSize = length;
        return ERROR_SUCCESS;
    });
}

RegistryReportFunction RegistrySetReportHook(RegistryReportFunction hook) {
    return gReportHook.exchange(hook);
}

void RegistrySetWriteFunction(RegistryWriteFunction write) {
    gWriteFunction.store(write);
}

std::uint32_t RegistryStoreSave() {
    return Guarded([&]() -> std::uint32_t {
        CLockedStore store;
        std::uint32_t result = ERROR_SUCCESS;
        for (int i = 0; i < kRootCount; ++i) {
            if (SaveLocked(*store, i) != ERROR_SUCCESS) result = ERROR_CANTWRITE;
        }
        return result;
    });
}

namespace {
void UnloadLocked(TStore& store) {
    for (int i = 0; i < kRootCount; ++i) {
        SaveLocked(store, i);
        TRoot& root = store.roots[i];
        if (root.tree != nullptr) root.tree->MarkDeleted();
        root = TRoot{};
    }
}
}  // namespace

void RegistryStoreUnload() {
    Guarded([&]() -> std::uint32_t {
        CLockedStore store;
        UnloadLocked(*store);
        return ERROR_SUCCESS;
    });
}

void RegistryStoreSetFolder(const std::string& folder) {
    Guarded([&]() -> std::uint32_t {
        CLockedStore store;
        UnloadLocked(*store);
        store->folder = folder;
        if (!store->folder.empty() && store->folder.back() != '/') store->folder += '/';
        return ERROR_SUCCESS;
    });
}

std::string RegistryStoreFilePath(HKEY root) {
    const int index = PredefinedIndex(root);
    if (index < 0) return {};
    CLockedStore store;
    const std::string folder = FolderOf(*store);
    return folder.empty() ? std::string() : folder + kRootFiles[index];
}
