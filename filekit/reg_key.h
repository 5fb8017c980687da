#pragma once
// A registry key object: the one way the system reads and writes its
// registry. A key object wraps one open key handle; sub-keys are opened or
// created as new key objects, which the caller releases with DeleteRegKey.
//
// Values that are read (GetKeyData, GetKeyString) land in a buffer the key
// object owns, with a terminator added after the data; it stays valid until
// the object's next read or string write, or its destruction. Failures answer
// null or 0 and leave the reason in the thread's last-error value.
//
// A key object is used by one thread at a time.

#include <cstdint>
#include <memory>

#include "platform/registry_store.h"

class CRegKey {
public:
    // Wraps the handle (a predefined root or an opened key); the object
    // closes it when destroyed.
    explicit CRegKey(HKEY key = HKEY_LOCAL_MACHINE);
    ~CRegKey();
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    HKEY Key() const { return key_; }

    // Opens an existing sub-key ('\\'-separated path); null when it cannot.
    CRegKey* GetSubKey(const char* path);
    // Opens the sub-key, creating what is missing; null when it cannot.
    CRegKey* CreateSubKey(const char* path);
    // 1 when this key holds a value of that name. It tests a value, not a
    // sub-key, whatever its name says; callers rely on that.
    int SubKeyExists(const char* name);
    // The type (REG_SZ, REG_DWORD, ...) and byte count of a value without
    // reading it, so callers can refuse a value of the wrong kind before
    // taking it; either pointer may be null. 1 when the value exists, else 0.
    int GetKeyType(const char* name, std::uint32_t* type, std::uint32_t* size);

    // The value's data as text, or null when missing or empty.
    char* GetKeyString(const char* name);
    // Up to 4 bytes of the value of any type, little-endian; 0 when the value
    // is missing or longer than 4 bytes.
    std::uint32_t GetKeyNum(const char* name);
    // A REG_SZ of the text's length (no terminator stored). On success the
    // value buffer holds a copy of the text. The text may be this object's own
    // value buffer. 1/0.
    int SetKeyString(const char* name, const char* text);
    // A 4-byte REG_DWORD. 1/0.
    int SetKeyNum(const char* name, std::uint32_t value);
    // The whole value in the value buffer, its byte count in *size; null when
    // missing or empty (a failed query leaves the buffer as it was).
    char* GetKeyData(const char* name, std::uint32_t* size);
    // A REG_BINARY of size bytes. 1/0.
    int SetKeyData(const char* name, const void* data, std::uint32_t size);

    // The name of the sub-key or value at index into name (size bytes,
    // terminator included); 1 while one exists there.
    int EnumerateSubKeys(std::uint32_t index, char* name, std::uint32_t size);
    int EnumerateValues(std::uint32_t index, char* name, std::uint32_t size);
    // With a name: deletes that sub-key with everything below it. With null:
    // deletes every sub-key of this key, depth first; the key itself stays.
    // 1 on success, 0 at the first sub-key that cannot be read, opened or
    // deleted.
    int DeleteSubKeys(const char* name);
    void DeleteRegValue(const char* name);

private:
    // Sets the last error from a store result; true on success.
    static bool Succeeded(std::uint32_t result);
    CRegKey* OpenSubKey(const char* path, bool create);

    HKEY key_;
    std::unique_ptr<char[]> value_;
};

// Destroys the key object and nulls the pointer; null is ignored.
void DeleteRegKey(CRegKey** key);
