#include "filekit/reg_key.h"

#include <cstring>
#include <new>

#include "platform/last_error.h"

namespace {
// Sub-key names are read into a buffer of this size while deleting; it holds
// the longest name the store allows.
constexpr std::uint32_t kSubKeyNameBuffer = 1024;
static_assert(kSubKeyNameBuffer > kRegMaxKeyNameLength);
}  // namespace

CRegKey::CRegKey(HKEY key) : key_(key) {}

CRegKey::~CRegKey() {
    if (key_ != nullptr) RegCloseKey(key_);
}

void DeleteRegKey(CRegKey** key) {
    if (key == nullptr || *key == nullptr) return;
    delete *key;
    *key = nullptr;
}

bool CRegKey::Succeeded(std::uint32_t result) {
    if (result == ERROR_SUCCESS) return true;
    SetLastError(result);
    return false;
}

CRegKey* CRegKey::OpenSubKey(const char* path, bool create) {
    HKEY sub = nullptr;
    if (!Succeeded(create ? RegCreateKey(key_, path, &sub) : RegOpenKey(key_, path, &sub))) {
        return nullptr;
    }
    auto* key = new (std::nothrow) CRegKey(sub);
    if (key == nullptr) {
        RegCloseKey(sub);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return key;
}

CRegKey* CRegKey::GetSubKey(const char* path) {
    return OpenSubKey(path, false);
}

CRegKey* CRegKey::CreateSubKey(const char* path) {
    return OpenSubKey(path, true);
}

int CRegKey::SubKeyExists(const char* name) {
    return Succeeded(RegQueryValueEx(key_, name, nullptr, nullptr, nullptr)) ? 1 : 0;
}

int CRegKey::GetKeyType(const char* name, std::uint32_t* type, std::uint32_t* size) {
    std::uint32_t foundType = REG_NONE;
    std::uint32_t foundSize = 0;
    if (!Succeeded(RegQueryValueEx(key_, name, &foundType, nullptr, &foundSize))) return 0;
    if (type != nullptr) *type = foundType;
    if (size != nullptr) *size = foundSize;
    return 1;
}

char* CRegKey::GetKeyData(const char* name, std::uint32_t* size) {
    std::uint32_t length = 0;
    if (!Succeeded(RegQueryValueEx(key_, name, nullptr, nullptr, &length))) return nullptr;
    value_.reset();
    if (length == 0) return nullptr;
    // One byte more for the terminator that ends string values.
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[std::size_t{length} + 1]);
    if (buffer == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!Succeeded(RegQueryValueEx(key_, name, nullptr,
                                   reinterpret_cast<std::uint8_t*>(buffer.get()), &length))) {
        return nullptr;
    }
    buffer[length] = '\0';
    if (size != nullptr) *size = length;
    value_ = std::move(buffer);
    return value_.get();
}

char* CRegKey::GetKeyString(const char* name) {
    std::uint32_t ignored = 0;
    return GetKeyData(name, &ignored);
}

std::uint32_t CRegKey::GetKeyNum(const char* name) {
    std::uint8_t bytes[4] = {};
    std::uint32_t size = sizeof(bytes);
    if (!Succeeded(RegQueryValueEx(key_, name, nullptr, bytes, &size))) return 0;
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint32_t{bytes[3]} << 24);
}

int CRegKey::SetKeyString(const char* name, const char* text) {
    if (text == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Copied first: text may be this object's own value buffer, which the
    // copy then replaces.
    const std::size_t length = std::strlen(text);
    std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
    if (copy == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    std::memcpy(copy.get(), text, length + 1);
    if (!Succeeded(RegSetValueEx(key_, name, REG_SZ,
                                 reinterpret_cast<const std::uint8_t*>(copy.get()),
                                 static_cast<std::uint32_t>(length)))) {
        return 0;
    }
    value_ = std::move(copy);
    return 1;
}

int CRegKey::SetKeyNum(const char* name, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return Succeeded(RegSetValueEx(key_, name, REG_DWORD, bytes, sizeof(bytes))) ? 1 : 0;
}

int CRegKey::SetKeyData(const char* name, const void* data, std::uint32_t size) {
    return Succeeded(
               RegSetValueEx(key_, name, REG_BINARY, static_cast<const std::uint8_t*>(data), size))
               ? 1
               : 0;
}

int CRegKey::EnumerateSubKeys(std::uint32_t index, char* name, std::uint32_t size) {
    return Succeeded(RegEnumKey(key_, index, name, size)) ? 1 : 0;
}

int CRegKey::EnumerateValues(std::uint32_t index, char* name, std::uint32_t size) {
    return Succeeded(RegEnumValue(key_, index, name, &size, nullptr, nullptr, nullptr)) ? 1 : 0;
}

int CRegKey::DeleteSubKeys(const char* name) {
    if (name != nullptr) return Succeeded(RegDeleteKey(key_, name)) ? 1 : 0;
    char subName[kSubKeyNameBuffer];
    while (true) {
        const std::uint32_t found = RegEnumKey(key_, 0, subName, sizeof(subName));
        if (found == ERROR_NO_MORE_ITEMS) return 1;
        // Anything else that stops the walk (a key deleted meanwhile, a name
        // that cannot be read) ends it with 0: index 0 would answer the same
        // again for ever.
        if (!Succeeded(found)) return 0;
        CRegKey* sub = GetSubKey(subName);
        if (sub == nullptr) return 0;
        const int emptied = sub->DeleteSubKeys(nullptr);
        DeleteRegKey(&sub);
        if (!emptied || !Succeeded(RegDeleteKey(key_, subName))) return 0;
    }
}

void CRegKey::DeleteRegValue(const char* name) {
    Succeeded(RegDeleteValue(key_, name));
}
