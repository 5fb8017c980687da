// Fuzz target for the markup reader: any bytes must load without a fault,
// within the reader's limits, and every lookup over the tree must be safe.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "testsupport/fuzz_scratch.h"
#include "utilities/xml_file.h"

namespace {

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
    // The reader takes a path, so each input goes through a scratch file.
    static const fuzzsupport::CScratchFolder scratch("xml_fuzz");
    static const std::string path = scratch.File("input.xml");
    if (!fuzzsupport::CScratchFolder::Write(path, data, size)) return 0;

    CXMLFile xml;
    if (!xml.Open(path.c_str())) return 0;
    for (unsigned int i = 0; i < xml.NumChildren(); ++i) Walk(xml.GetChild(i), 1);
    (void)xml.FindNode("entry");
    (void)xml.GetValue("title");
    if (CXMLNode* first = xml.GetChild(0u)) {
        CXMLNode copy(*first);
        (void)copy.SearchForValue("href");
    }
    return 0;
}
