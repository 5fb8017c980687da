#pragma once

#include <string>
#include <string_view>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Path of a file inside the folder.
    std::string File(std::string_view name) const;

private:
    std::string path_;
};

// Whole-file helpers for fixtures.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace testsupport
