// Fuzz target for the markup reader: any bytes must load without a fault,
// within the reader's limits, and every lookup over the tree must be safe.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "utilities/xml_file.h"

namespace {

// The reader takes a path, so each input goes through one scratch file.
class ScratchFile {
public:
    ScratchFile() {
        std::string pattern = (std::filesystem::temp_directory_path() / "xml_fuzz_XXXXXX").string();
        const int fd = mkstemp(pattern.data());
        if (fd < 0) std::abort();
        close(fd);
        path_ = pattern;
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

void Walk(CXMLNode* node, int depth) {
    if (depth > CXMLFile::kMaxDepth) std::abort();
    (void)node->Name();
    for (unsigned int i = 0; i < node->NumValues(); ++i) {
        CXMLValue* value = node->GetValue(i);
        if (value->FieldName() == nullptr || value->Value() == nullptr) std::abort();
    }
    for (unsigned int i = 0; i < node->NumChildren(); ++i) Walk(node->GetChild(i), depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScratchFile scratch;
    std::FILE* file = std::fopen(scratch.Path().c_str(), "wb");
    if (file == nullptr) return 0;
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);

    CXMLFile xml;
    if (!xml.Open(scratch.Path().c_str())) return 0;
    for (unsigned int i = 0; i < xml.NumChildren(); ++i) Walk(xml.GetChild(i), 1);
    (void)xml.FindNode("entry");
    (void)xml.GetValue("title");
    if (CXMLNode* first = xml.GetChild(0u)) {
        CXMLNode copy(*first);
        (void)copy.SearchForValue("href");
    }
    return 0;
}
