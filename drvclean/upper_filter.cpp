#include "drvclean/upper_filter.h"

#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "drvclean/driver_names.h"
#include "platform/ascii_case.h"
#include "platform/last_error.h"
#include "platform/registry_store.h"

namespace {

// The multi-string in data without the strings equal to dropName (case
// ignored), closed by its empty string. The list ends at its first empty
// string or at the end of the data, whichever comes first, so a last string
// without its terminator is taken as ending there and gets one. Holds only
// the closing zero byte when nothing is left.
std::string MultiStringWithout(std::string_view data, std::string_view dropName) {
    std::string kept;
    while (!data.empty() && data.front() != '\0') {
        const std::size_t end = data.find('\0');
        const std::string_view item = data.substr(0, end);
        if (!AsciiEqualNoCase(item, dropName)) {
            kept.append(item);
            kept.push_back('\0');
        }
        if (end == std::string_view::npos) break;
        data.remove_prefix(end + 1);
    }
    kept.push_back('\0');
    return kept;
}

// An opened key, closed (and its root saved) when it goes.
class COpenKey {
public:
    COpenKey() = default;
    ~COpenKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    COpenKey(const COpenKey&) = delete;
    COpenKey& operator=(const COpenKey&) = delete;

    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// Writes the shortened list back, or deletes the value when nothing is left,
// and saves the store: a change that never reaches the file has not removed
// anything.
bool StoreList(HKEY key, const char* valueName, std::uint32_t type, const std::string& list) {
    const std::uint32_t result =
        list.size() == 1 ? RegDeleteValue(key, valueName)
                         : RegSetValueEx(key, valueName, type,
                                         reinterpret_cast<const std::uint8_t*>(list.data()),
                                         static_cast<std::uint32_t>(list.size()));
    return result == ERROR_SUCCESS && RegFlushKey(key) == ERROR_SUCCESS;
}

}  // namespace

bool RemoveUpperFilter(const char* classGuid, const char* valueName, const char* filterName) {
    COpenKey key;
    const std::string path = std::string(kClassKeyPath) + classGuid;
    const std::uint32_t opened = RegOpenKey(HKEY_LOCAL_MACHINE, path.c_str(), key.Out());
    // A class the driver never joined has nothing to remove.
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;

    std::uint32_t type = 0;
    std::uint32_t size = 0;
    const std::uint32_t queried = RegQueryValueEx(key.Get(), valueName, &type, nullptr, &size);
    if (queried == ERROR_FILE_NOT_FOUND) return true;
    if (queried != ERROR_SUCCESS) return false;
    if (size == 0) return true;
    // Any other type is not a list of names: rewriting it as one would
    // damage it, so it is left for the user.
    if (type != REG_MULTI_SZ) return false;

    try {
        std::vector<std::uint8_t> data(size);
        if (RegQueryValueEx(key.Get(), valueName, &type, data.data(), &size) != ERROR_SUCCESS) {
            return false;
        }
        const std::string kept = MultiStringWithout(
            std::string_view(reinterpret_cast<const char*>(data.data()), size), filterName);
        return StoreList(key.Get(), valueName, type, kept);
    } catch (const std::bad_alloc&) {
        // Only this step fails; the removal goes on with the next class.
        return false;
    }
}
