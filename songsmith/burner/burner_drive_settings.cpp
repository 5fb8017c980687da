// The writer's drive settings in the registry: the per-drive values of its
// device instance under HKLM "Enum\SCSI" and the CD-ROM service's
// "Autorun". A setting the program changes has its earlier value remembered
// under the program's own key, so the uninstall command can put it back.
// Machines without these keys (every Linux machine) read nothing and change
// nothing.
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "filekit/reg_key.h"
#include "songsmith/burner/burner.h"
#include "songsmith/prefs/preferences.h"

namespace {

using TKey = std::unique_ptr<CRegKey>;

constexpr const char* kScsiEnum = "Enum\\SCSI";
constexpr const char* kCdromService = "SYSTEM\\CurrentControlSet\\Services\\Cdrom";
constexpr const char* kAutorun = "Autorun";
constexpr const char* kAutoInsert = "AutoInsertNotification";
// The remembered "Autorun" lives under this name instead of a drive's.
constexpr const char* kAutorunOwner = "Win2K";
// Sub-keys of "Enum\SCSI" looked at, and remembered sub-keys restored.
constexpr std::uint32_t kMaxDeviceKeys = 100;
constexpr std::uint32_t kMaxRemembered = 5;
constexpr std::size_t kNameSize = kRegMaxKeyNameLength + 1;

constexpr const char* kDriveValueNames[] = {kAutoInsert, "Disconnect", "SyncDataXfer", "DMACurrentlyUsed"};

std::string ProgramKeyPath() {
    std::string path;
    for (const char* level : CPreferences::kKeyLevels) path += (path.empty() ? "" : "\\") + std::string(level);
    return path;
}

TKey Open(CRegKey& parent, const char* path) { return TKey(parent.GetSubKey(path)); }

// A drive value: one byte, 0 or 1. A value of another length is not one.
std::optional<std::uint8_t> ReadByte(CRegKey& key, const char* name) {
    std::uint32_t size = 0;
    if (!key.GetKeyType(name, nullptr, &size) || size != 1) return std::nullopt;
    const char* data = key.GetKeyData(name, &size);
    if (data == nullptr || size != 1) return std::nullopt;
    return static_cast<std::uint8_t>(data[0]);
}

bool WriteByte(CRegKey& key, const char* name, std::uint8_t value) {
    return key.SetKeyData(name, &value, 1) != 0;
}

// The first sub-key of each sub-key of "Enum\SCSI" whose "DeviceDesc"
// begins with the description; null when none of the first ones does, or
// there is no description (no such writer).
TKey FindDeviceInstance(const std::string& description) {
    if (description.empty()) return nullptr;
    CRegKey machine(HKEY_LOCAL_MACHINE);
    TKey devices = Open(machine, kScsiEnum);
    if (devices == nullptr) return nullptr;
    char name[kNameSize];
    for (std::uint32_t i = 0; i < kMaxDeviceKeys && devices->EnumerateSubKeys(i, name, sizeof name); ++i) {
        TKey device = Open(*devices, name);
        char instanceName[kNameSize];
        if (device == nullptr || !device->EnumerateSubKeys(0, instanceName, sizeof instanceName)) continue;
        TKey instance = Open(*device, instanceName);
        if (instance == nullptr) continue;
        const char* text = instance->GetKeyString("DeviceDesc");
        if (text != nullptr && std::strncmp(text, description.c_str(), description.size()) == 0) return instance;
    }
    return nullptr;
}

TKey OpenCdromService() {
    CRegKey machine(HKEY_LOCAL_MACHINE);
    return Open(machine, kCdromService);
}

// "Autorun" is a number of at most four bytes.
std::optional<int> ReadAutorun(CRegKey& service) {
    std::uint32_t size = 0;
    if (!service.GetKeyType(kAutorun, nullptr, &size) || size == 0 || size > 4) return std::nullopt;
    return static_cast<int>(service.GetKeyNum(kAutorun));
}

}  // namespace

std::string CBurner::WriterKeyName(int writerIndex) {
    char text[256] = {};
    if (writerIndex == -1) {
        if (device_ == nullptr) return {};
        GetWriterDescription(text, sizeof text, -1, false);
    } else {
        int adapter = 0, id = 0, lun = 0;
        if (GetWriterByIndex(writerIndex, text, sizeof text, &adapter, &id, &lun, false) == 0) return {};
    }
    return text;
}

int CBurner::WriterIndexNamed(const std::string& description) {
    for (int index = 0;; ++index) {
        const std::string name = WriterKeyName(index);
        if (name.empty()) return -1;
        if (name == description) return index;
    }
}

bool CBurner::GetDriveRegistryValue(const char* name, int* out, int writerIndex) {
    TKey instance = FindDeviceInstance(WriterKeyName(writerIndex));
    const std::optional<std::uint8_t> value = instance != nullptr ? ReadByte(*instance, name) : std::nullopt;
    if (!value) return false;
    *out = *value;
    return true;
}

bool CBurner::GetAutoInsertNotification(int* out, int writerIndex) {
    return GetDriveRegistryValue(kAutoInsert, out, writerIndex) || GetCdromAutorun(out);
}
bool CBurner::GetDisconnect(int* out, int writerIndex) { return GetDriveRegistryValue("Disconnect", out, writerIndex); }
bool CBurner::GetSyncDataXfer(int* out, int writerIndex) {
    return GetDriveRegistryValue("SyncDataXfer", out, writerIndex);
}
bool CBurner::GetDMACurrentlyUsed(int* out, int writerIndex) {
    return GetDriveRegistryValue("DMACurrentlyUsed", out, writerIndex);
}

bool CBurner::GetCdromAutorun(int* out) {
    TKey service = OpenCdromService();
    if (service == nullptr) return false;
    const std::optional<int> value = ReadAutorun(*service);
    if (!value) return false;
    *out = *value;
    return true;
}

bool CBurner::SetDriveRegistryValue(const char* name, std::uint8_t value) {
    return SetDriveValueOf(name, value, -1, true);
}

bool CBurner::SetDriveValueOf(const char* name, std::uint8_t value, int writerIndex, bool remember) {
    const std::string description = WriterKeyName(writerIndex);
    TKey instance = FindDeviceInstance(description);
    const std::optional<std::uint8_t> current = instance != nullptr ? ReadByte(*instance, name) : std::nullopt;
    if (!current) return false;
    // What the setting was before the program first changed it; a setting
    // that cannot be remembered is not changed, so it can always go back.
    if (remember && *current != value && !RememberDriveValue(description.c_str(), name, *current)) return false;
    return WriteByte(*instance, name, value);
}

bool CBurner::SetAutoInsertNotification(std::uint8_t value) {
    return SetDriveRegistryValue(kAutoInsert, value) || SetCdromAutorun(value);
}
bool CBurner::SetDisconnect(std::uint8_t value) { return SetDriveRegistryValue("Disconnect", value); }
bool CBurner::SetSyncDataXfer(std::uint8_t value) { return SetDriveRegistryValue("SyncDataXfer", value); }
bool CBurner::SetDMACurrentlyUsed(std::uint8_t value) { return SetDriveRegistryValue("DMACurrentlyUsed", value); }

bool CBurner::SetCdromAutorun(std::uint8_t value) { return SetAutorun(value, true); }

bool CBurner::SetAutorun(std::uint8_t value, bool remember) {
    TKey service = OpenCdromService();
    if (service == nullptr) return false;
    const std::optional<int> current = ReadAutorun(*service);
    if (!current) return false;
    const int wanted = value != 0 ? 1 : 0;
    if (remember && (*current != 0) != (wanted != 0) &&
        !RememberDriveValue(kAutorunOwner, kAutoInsert, static_cast<std::uint8_t>(*current != 0 ? 1 : 0)))
        return false;
    if (service->SetKeyNum(kAutorun, static_cast<std::uint32_t>(wanted)) == 0) {
        Log("Failed to set/unset AIN for Win2k/WinNT/WinXP");
        return false;
    }
    Log(wanted != 0 ? "Enabled AIN for Win2k/WinNT/WinXP" : "Disabled AIN for Win2k/WinNT/WinXP");
    return true;
}

bool CBurner::RememberDriveValue(const char* subKey, const char* valueName, std::uint8_t earlier) {
    // The sub-key is named by the drive; a name the registry cannot hold as
    // one key could not be found again.
    const std::size_t length = std::strlen(subKey);
    if (length == 0 || length > kRegMaxKeyNameLength || std::strchr(subKey, '\\') != nullptr) return false;
    CRegKey user(HKEY_CURRENT_USER);
    const std::string path = ProgramKeyPath() + "\\" + subKey;
    TKey key(user.CreateSubKey(path.c_str()));
    if (key == nullptr) return false;
    // Only the value from before the first change is kept.
    if (ReadByte(*key, valueName)) return true;
    return WriteByte(*key, valueName, earlier);
}

bool CBurner::RestoreDriveSettings() {
    CRegKey user(HKEY_CURRENT_USER);
    TKey program = Open(user, ProgramKeyPath().c_str());
    if (program == nullptr) return false;
    // The names first: deleting while walking by index would skip keys.
    std::vector<std::string> names;
    char name[kNameSize];
    for (std::uint32_t i = 0; i < kMaxRemembered && program->EnumerateSubKeys(i, name, sizeof name); ++i)
        names.emplace_back(name);
    bool restored = false;
    for (const std::string& owner : names) {
        if (TKey remembered = Open(*program, owner.c_str()); remembered != nullptr)
            restored = RestoreFrom(owner, *remembered) || restored;
        program->DeleteSubKeys(owner.c_str());
    }
    return restored;
}

bool CBurner::RestoreFrom(const std::string& owner, CRegKey& remembered) {
    if (owner == kAutorunOwner) {
        const std::optional<std::uint8_t> earlier = ReadByte(remembered, kAutoInsert);
        int current = 0;
        if (!earlier || !GetCdromAutorun(&current) || (current != 0) == (*earlier != 0)) return false;
        return SetAutorun(*earlier, false);
    }
    const int writer = WriterIndexNamed(owner);
    if (writer < 0) return false;
    bool restored = false;
    for (const char* name : kDriveValueNames) {
        const std::optional<std::uint8_t> earlier = ReadByte(remembered, name);
        int current = 0;
        if (!earlier || !GetDriveRegistryValue(name, &current, writer) || current == *earlier) continue;
        restored = SetDriveValueOf(name, *earlier, writer, false) || restored;
    }
    return restored;
}
