#include "platform/registry_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "platform/file_replace.h"
#include "platform/last_error.h"
#include "platform/registry_text.h"
#include "platform/user_folders.h"

// An opened key: its root, its node and the names of the keys from the root
// down to it. The predefined roots have no node of their own; they stand for
// whatever tree their root has loaded.
struct TRegKeyHandle {
    int root;
    std::shared_ptr<TRegNode> node;
    std::vector<std::string> path;
};

namespace {

constexpr int kRootCount = 2;
constexpr const char* kRootNames[kRootCount] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
constexpr const char* kRootFiles[kRootCount] = {"current_user.reg", "local_machine.reg"};

TRegKeyHandle gPredefined[kRootCount] = {{0, nullptr, {}}, {1, nullptr, {}}};

using TKeyPath = std::vector<std::string>;

// One change made in this process since its root was last saved. A save
// applies the changes to the file as it is on disk then, so that changes
// another process saved meanwhile are kept.
struct TChange {
    enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };
    Kind kind;
    TKeyPath key;
    std::string name;  // values only
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

struct TRoot {
    std::shared_ptr<TRegNode> tree;  // null until first used
    std::string path;                // the file it was read from and is saved to
    bool dirty = false;
    // False when the file on disk must not be replaced: it could not be read,
    // or it was damaged and could not be moved aside.
    bool savable = true;
    std::vector<TChange> changes;  // since the last save, in order
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
std::atomic<RegistryFaultFunction> gFaultFunction{nullptr};

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

// Keeps a copy of bytes that did not parse in a free "<path>.damaged-<time>"
// file and removes the damaged file when it is still the one that was read
// (identity is the inode read). Copying the bytes read, rather than renaming
// whatever file has the name by now, sets aside exactly what failed. The
// copy's path, or empty (errno set) when it could not be written.
std::string SetAside(const std::string& path, const std::string& bytes, const struct stat& read) {
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
        const int fd = open(aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return {};
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) break;
            done += static_cast<std::size_t>(wrote);
        }
        const bool complete = done == bytes.size() && fsync(fd) == 0;
        const int err = errno;
        close(fd);
        if (!complete) {
            unlink(aside.c_str());
            errno = err != 0 ? err : EIO;
            return {};
        }
        struct stat now {};
        if (stat(path.c_str(), &now) == 0 && now.st_dev == read.st_dev && now.st_ino == read.st_ino) {
            unlink(path.c_str());
        }
        return aside;
    }
    errno = EEXIST;
    return {};
}

// A store file as read from disk.
struct TDiskFile {
    int err = 0;  // 0, ENOENT when there is none, else why it could not be read
    std::string bytes;
    struct stat identity {};
};

TDiskFile ReadStoreFile(const std::string& path) {
    TDiskFile file;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        file.err = errno;
        return file;
    }
    if (fstat(fd, &file.identity) != 0) file.err = errno;
    char buffer[65536];
    while (file.err == 0) {
        const ssize_t got = read(fd, buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) file.err = errno;
        if (got <= 0) break;
        file.bytes.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return file;
}

// Sets a damaged file aside and queues the report. False when it could not
// be set aside, so that it must not be replaced.
bool HandleDamage(TStore& store, const std::string& path, const TDiskFile& file, const std::string& why,
                  const char* where) {
    const std::string aside = SetAside(path, file.bytes, file.identity);
    if (aside.empty()) {
        store.reports.push_back(std::string("RegistryStore::") + where + " - " + path + " is damaged (" + why +
                                ") and could not be moved aside (" + ErrnoText(errno) +
                                "); changes to it will not be saved");
        return false;
    }
    store.reports.push_back(std::string("RegistryStore::") + where + " - " + path + " is damaged (" + why +
                            "); moved aside to " + aside);
    return true;
}

std::shared_ptr<TRegNode> EmptyRoot(int index) {
    auto tree = std::make_shared<TRegNode>();
    tree->name = kRootNames[index];
    return tree;
}

TRegNode& LoadedRoot(TStore& store, int index) {
    TRoot& root = store.roots[index];
    if (root.tree != nullptr) return *root.tree;
    root.tree = EmptyRoot(index);
    root.dirty = false;
    root.savable = true;
    root.changes.clear();
    const std::string folder = FolderOf(store);
    if (folder.empty()) {
        root.savable = false;
        store.reports.push_back(std::string("RegistryStore::Load - no config folder; changes to ") +
                                kRootNames[index] + " will not be saved");
        return *root.tree;
    }
    root.path = folder + kRootFiles[index];
    CFileChangeLock lock(root.path);
    const TDiskFile file = ReadStoreFile(root.path);
    if (file.err != 0) {
        if (file.err != ENOENT) {
            root.savable = false;
            store.reports.push_back("RegistryStore::Load - cannot read " + root.path + " (" +
                                    ErrnoText(file.err) + "); changes to it will not be saved");
        }
        return *root.tree;
    }
    std::string why;
    if (ReadRegistryText(file.bytes, kRootNames[index], *root.tree, why)) return *root.tree;

    // Start empty, but keep the damaged bytes for whoever wants them.
    root.tree = EmptyRoot(index);
    root.savable = HandleDamage(store, root.path, file, why, "Load");
    return *root.tree;
}

// Removes temporary files that a save cut short left beside path. Called
// with the file's lock held, when no other save can be writing one.
void RemoveLeftoverTemporaries(const std::string& path) {
    const std::size_t slash = path.rfind('/') + 1;
    const std::string folder = slash != 0 ? path.substr(0, slash) : std::string(".");
    const std::string prefix = path.substr(slash) + ".tmp";
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
        if (std::string_view(entry->d_name).substr(0, prefix.size()) == prefix) {
            unlinkat(dirfd(dir), entry->d_name, 0);
        }
    }
    closedir(dir);
}

// Writes text over path through a temporary file (path untouched on
// failure). Empty on success, else why not.
std::string WriteFileAtomically(const std::string& path, const std::string& text) {
    const int err = ReplaceFileContents(path, text, gWriteFunction.load());
    return err == 0 ? std::string() : ErrnoText(err);
}

// The key at path below root, created when create is set; null when missing.
TRegNode* WalkTo(TRegNode& root, const TKeyPath& path, bool create) {
    TRegNode* node = &root;
    for (const std::string& name : path) {
        std::shared_ptr<TRegNode> next = node->FindSubKey(name);
        if (next == nullptr && create) next = node->AddSubKey(name);
        if (next == nullptr) return nullptr;
        node = next.get();
    }
    return node;
}

// Applies one change to a tree read from disk. Keys were checked when the
// change was made, so every name on a path is one the store accepts.
void ApplyChange(TRegNode& root, const TChange& change) {
    switch (change.kind) {
        case TChange::kCreateKey:
            WalkTo(root, change.key, true);
            break;
        case TChange::kSetValue:
            WalkTo(root, change.key, true)->SetValue(change.name, change.type, change.data);
            break;
        case TChange::kDeleteValue:
            if (TRegNode* node = WalkTo(root, change.key, false)) node->RemoveValue(change.name);
            break;
        case TChange::kDeleteKey: {
            TKeyPath parent(change.key.begin(), change.key.end() - 1);
            if (TRegNode* node = WalkTo(root, parent, false)) node->RemoveSubKey(change.key.back());
            break;
        }
    }
}

// The text to save for a root, under the file's lock: the file on disk with
// this process's changes applied, or this process's whole tree when there is
// no file or it is damaged (set aside first). False when the file on disk
// must not be replaced.
bool TextToSave(TStore& store, int index, std::string& text) {
    TRoot& root = store.roots[index];
    const TDiskFile file = ReadStoreFile(root.path);
    if (file.err != 0 && file.err != ENOENT) {
        store.reports.push_back("RegistryStore::Save - cannot read " + root.path + " (" + ErrnoText(file.err) +
                                "); the file is kept as it is");
        return false;
    }
    if (file.err == 0) {
        TRegNode disk;
        disk.name = kRootNames[index];
        std::string why;
        if (ReadRegistryText(file.bytes, kRootNames[index], disk, why)) {
            for (const TChange& change : root.changes) ApplyChange(disk, change);
            text = WriteRegistryText(kRootNames[index], disk);
            return true;
        }
        if (!HandleDamage(store, root.path, file, why, "Save")) return false;
    }
    text = WriteRegistryText(kRootNames[index], *root.tree);
    return true;
}

std::uint32_t SaveLocked(TStore& store, int index) {
    TRoot& root = store.roots[index];
    if (root.tree == nullptr || !root.dirty) return ERROR_SUCCESS;
    if (!root.savable) return ERROR_CANTWRITE;
    const std::string folder = root.path.substr(0, root.path.rfind('/') + 1);
    std::string why;
    if (!folder.empty() && !MakeFolderPath(folder)) {
        why = "cannot make " + folder;
    } else {
        CFileChangeLock lock(root.path);
        RemoveLeftoverTemporaries(root.path);
        std::string text;
        if (!TextToSave(store, index, text)) return ERROR_CANTWRITE;
        why = WriteFileAtomically(root.path, text);
    }
    if (!why.empty()) {
        store.reports.push_back("RegistryStore::Save - could not write " + root.path + " (" + why +
                                "); the previous file is kept");
        return ERROR_CANTWRITE;
    }
    root.dirty = false;
    root.changes.clear();
    return ERROR_SUCCESS;
}

int PredefinedIndex(HKEY key) {
    for (int i = 0; i < kRootCount; ++i) {
        if (key == &gPredefined[i]) return i;
    }
    return -1;
}

const TKeyPath kRootPath;

// The node behind a handle, its root index and its path; null with code set
// when the handle is unknown or its key was deleted.
std::shared_ptr<TRegNode> Resolve(TStore& store, HKEY key, int& rootIndex, const TKeyPath*& path,
                                  std::uint32_t& code) {
    if (const int index = PredefinedIndex(key); index >= 0) {
        rootIndex = index;
        path = &kRootPath;
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
    path = &key->path;
    return key->node;
}

// The error a test's fault function gives for an operation on the key at
// path, or ERROR_SUCCESS.
std::uint32_t InjectedFault(const char* operation, const TKeyPath& path) {
    const RegistryFaultFunction fault = gFaultFunction.load();
    if (fault == nullptr) return ERROR_SUCCESS;
    std::string joined;
    for (const std::string& name : path) {
        if (!joined.empty()) joined += '\\';
        joined += name;
    }
    return fault(operation, joined.c_str());
}

// Notes a change for the next save of its root.
void Record(TStore& store, int rootIndex, TChange change) {
    TRoot& root = store.roots[rootIndex];
    root.dirty = true;
    root.changes.push_back(std::move(change));
}

TKeyPath Below(const TKeyPath& path, std::string_view name) {
    TKeyPath below = path;
    below.emplace_back(name);
    return below;
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

// Runs an operation on the node behind key (and the key's path) under the
// store's lock; the handle's error when it does not resolve.
template <typename Operation>
std::uint32_t WithKey(HKEY key, Operation operation) {
    return Guarded([&]() -> std::uint32_t {
        CLockedStore store;
        int rootIndex = 0;
        const TKeyPath* path = nullptr;
        std::uint32_t code = ERROR_SUCCESS;
        std::shared_ptr<TRegNode> node = Resolve(*store, key, rootIndex, path, code);
        if (node == nullptr) return code;
        return operation(*store, rootIndex, node, *path);
    });
}

std::uint32_t OpenOrCreate(HKEY key, const char* path, HKEY* result, bool create) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    return WithKey(key, [&](TStore& store, int rootIndex, std::shared_ptr<TRegNode>& node, const TKeyPath& keyPath) {
        TKeyPath opened = keyPath;
        for (std::string_view name : SplitPath(path)) {
            std::shared_ptr<TRegNode> next = node->FindSubKey(name);
            if (next == nullptr) {
                if (!create) return ERROR_FILE_NOT_FOUND;
                if (!IsValidRegKeyName(name) || node->depth >= kRegMaxKeyDepth) {
                    return ERROR_INVALID_PARAMETER;
                }
                next = node->AddSubKey(name);
                Record(store, rootIndex, TChange{TChange::kCreateKey, Below(opened, name), {}, 0, {}});
            }
            node = std::move(next);
            opened.push_back(node->name);
        }
        if (!create) {
            if (const std::uint32_t fault = InjectedFault("open", opened); fault != ERROR_SUCCESS) return fault;
        }
        // Owned here until the handle table holds it.
        auto handle = std::make_unique<TRegKeyHandle>(
            TRegKeyHandle{rootIndex, std::move(node), std::move(opened)});
        store.handles.insert(handle.get());
        *result = handle.release();
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
    return WithKey(key, [&](TStore& store, int rootIndex, std::shared_ptr<TRegNode>&, const TKeyPath&) {
        return SaveLocked(store, rootIndex);
    });
}

std::uint32_t RegQueryValueEx(HKEY key, const char* name, std::uint32_t* type, std::uint8_t* data,
                              std::uint32_t* size) {
    if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
    return WithKey(key, [&](TStore&, int, std::shared_ptr<TRegNode>& node, const TKeyPath&) {
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
        return WithKey(key, [&](TStore& store, int rootIndex, std::shared_ptr<TRegNode>& node,
                                const TKeyPath& keyPath) {
            node->SetValue(ValueName(name), type, bytes);
            Record(store, rootIndex,
                   TChange{TChange::kSetValue, keyPath, std::string(ValueName(name)), type, std::move(bytes)});
            return ERROR_SUCCESS;
        });
    });
}

std::uint32_t RegDeleteValue(HKEY key, const char* name) {
    return WithKey(key, [&](TStore& store, int rootIndex, std::shared_ptr<TRegNode>& node, const TKeyPath& keyPath) {
        if (!node->RemoveValue(ValueName(name))) return ERROR_FILE_NOT_FOUND;
        Record(store, rootIndex, TChange{TChange::kDeleteValue, keyPath, std::string(ValueName(name)), 0, {}});
        return ERROR_SUCCESS;
    });
}

std::uint32_t RegDeleteKey(HKEY key, const char* path) {
    return Guarded([&]() {
        const std::vector<std::string_view> names = SplitPath(path);
        if (names.empty()) return ERROR_INVALID_PARAMETER;
        return WithKey(key, [&](TStore& store, int rootIndex, std::shared_ptr<TRegNode>& node,
                                const TKeyPath& keyPath) {
            TKeyPath deleted = keyPath;
            for (std::size_t i = 0; i + 1 < names.size(); ++i) {
                node = node->FindSubKey(names[i]);
                if (node == nullptr) return ERROR_FILE_NOT_FOUND;
                deleted.push_back(node->name);
            }
            const std::shared_ptr<TRegNode> target = node->FindSubKey(names.back());
            if (target == nullptr) return ERROR_FILE_NOT_FOUND;
            deleted.push_back(target->name);
            if (const std::uint32_t fault = InjectedFault("delete", deleted); fault != ERROR_SUCCESS) return fault;
            node->RemoveSubKey(names.back());
            Record(store, rootIndex, TChange{TChange::kDeleteKey, std::move(deleted), {}, 0, {}});
            return ERROR_SUCCESS;
        });
    });
}

std::uint32_t RegEnumKey(HKEY key, std::uint32_t index, char* name, std::uint32_t size) {
    if (name == nullptr) return ERROR_INVALID_PARAMETER;
    return WithKey(key, [&](TStore&, int, std::shared_ptr<TRegNode>& node, const TKeyPath&) {
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
    return WithKey(key, [&](TStore&, int, std::shared_ptr<TRegNode>& node, const TKeyPath&) {
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

void RegistrySetFaultFunction(RegistryFaultFunction fault) {
    gFaultFunction.store(fault);
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
