#pragma once
// A scratch folder for fuzz targets whose readers take paths: made under the
// system's temporary folder on first use and removed with the process.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace fuzzsupport {

class CScratchFolder {
public:
    explicit CScratchFolder(std::string_view prefix) {
        std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "_XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~CScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

    // Replaces the file at path with the bytes; false when it cannot be
    // written (the input is then skipped, not a fault).
    static bool Write(const std::string& path, const std::uint8_t* data, std::size_t size) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) return false;
        const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
        return std::fclose(file) == 0 && written;
    }

private:
    std::string path_;
};

}  // namespace fuzzsupport
