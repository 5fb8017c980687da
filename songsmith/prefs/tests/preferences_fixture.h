#pragma once
// A preferences test runs against a registry store, a home folder and a log
// file of its own, with no XDG folders set, so the defaults are known and
// nothing of the real user's is read or made.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "filekit/reg_key.h"
#include "platform/last_error.h"
#include "songsmith/prefs/preferences.h"
#include "testsupport/temp_dir.h"

namespace prefs_test {

using Bytes = std::vector<std::uint8_t>;

// Little-endian builders for hand-made record images.
inline void PutWord(Bytes& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}
inline void PutField(Bytes& bytes, const std::string& text, std::size_t size) {
    Bytes field(size, 0);
    std::copy(text.begin(), text.end(), field.begin());
    bytes.insert(bytes.end(), field.begin(), field.end());
}

// A site record's image: four 256-byte texts around the port, the two
// direction flags, two bytes of padding, latitude and longitude.
struct TSiteFields {
    std::string host;
    std::uint32_t port;
    std::string path, location, description;
    std::uint8_t north, east;
    std::int32_t latitude, longitude;
};
inline Bytes SiteImage(const TSiteFields& f) {
    Bytes site;
    PutField(site, f.host, 256);
    PutWord(site, f.port);
    PutField(site, f.path, 256);
    PutField(site, f.location, 256);
    PutField(site, f.description, 256);
    for (std::uint8_t b : {f.north, f.east, std::uint8_t{0}, std::uint8_t{0}}) site.push_back(b);
    PutWord(site, static_cast<std::uint32_t>(f.latitude));
    PutWord(site, static_cast<std::uint32_t>(f.longitude));
    return site;
}

// One stored value: its type and bytes.
struct TStoredValue {
    std::uint32_t type = 0;
    Bytes bytes;
    bool operator==(const TStoredValue&) const = default;
};
using TValueMap = std::map<std::string, TStoredValue>;

// Records what the preferences hand on, in order.
class CRecordingEffects : public IPreferenceEffects {
public:
    void SetSilenceThreshold(std::uint32_t threshold) override {
        calls.push_back("silence " + std::to_string(threshold));
    }
    void SetPartialSongThreshold(int percent) override {
        calls.push_back("partial " + std::to_string(percent));
    }
    void LogOn(int on) override { calls.push_back("log " + std::to_string(on)); }
    std::vector<std::string> calls;
};

class PreferencesTest : public ::testing::Test {
protected:
    static constexpr const char* kKeyPath = "SOFTWARE\\Marovelle\\Songsmith";

    void SetUp() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                 "XDG_DOCUMENTS_DIR", "XDG_MUSIC_DIR"}) {
            const char* value = std::getenv(name);
            saved_[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
            unsetenv(name);
        }
        home_ = dir_.Path() + "/home";
        mkdir(home_.c_str(), 0777);
        setenv("HOME", home_.c_str(), 1);
        RegistryStoreSetFolder(dir_.Path() + "/registry/");
        logPath_ = dir_.File("log.txt");
        LogInit(logPath_.c_str());
        LogOn(1);
    }
    void TearDown() override {
        LogDeinit();
        LogOn(1);
        RegistryStoreSetFolder("");
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

    // The preferences key below root, made when missing; the caller owns it.
    static std::unique_ptr<CRegKey> Key(HKEY root = HKEY_CURRENT_USER) {
        CRegKey rootKey(root);
        return std::unique_ptr<CRegKey>(rootKey.CreateSubKey(kKeyPath));
    }
    static bool KeyExists(HKEY root = HKEY_CURRENT_USER) {
        CRegKey rootKey(root);
        std::unique_ptr<CRegKey> key(rootKey.GetSubKey(kKeyPath));
        return key != nullptr;
    }
    static void DeleteKey(HKEY root) {
        CRegKey rootKey(root);
        rootKey.DeleteSubKeys("SOFTWARE");
    }
    // Every value of the preferences key.
    static TValueMap Values(HKEY root = HKEY_CURRENT_USER) {
        TValueMap values;
        auto key = Key(root);
        char name[300];
        for (std::uint32_t i = 0; key->EnumerateValues(i, name, sizeof(name)); ++i) {
            TStoredValue value;
            std::uint32_t size = 0;
            key->GetKeyType(name, &value.type, &size);
            if (const char* data = key->GetKeyData(name, &size)) {
                value.bytes.assign(data, data + size);
            }
            values[name] = value;
        }
        return values;
    }
    static void SetBytes(CRegKey& key, const std::string& name, const Bytes& bytes) {
        key.SetKeyData(name.c_str(), bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    }
    // Empties the preferences key and lets store fill it again.
    static void PrepareStore(const std::function<void(CRegKey&)>& store) {
        DeleteKey(HKEY_CURRENT_USER);
        auto key = Key();
        store(*key);
    }
    std::string LogText() const { return testsupport::ReadWholeFile(logPath_); }

    testsupport::TempDir dir_;
    std::string home_;
    std::string logPath_;
    std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace prefs_test
