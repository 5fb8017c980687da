#include "mediacore/metadata_editor.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "mediacore/asf_attribute_list.h"
#include "mediacore/asf_file.h"
#include "mediacore/asf_values.h"
#include "mediacore/errors.h"
#include "mediacore/no_throw.h"
#include "mediacore/tag_temp_files.h"
#include "mediacore/wide_text.h"
#include "utilities/unicode.h"

HRESULT CMetadataEditor::QueryInterface(const GUID& iid, void** object) {
    IWMMetadataEditor* editor = this;
    IWMHeaderInfo* info = this;
    return AnswerQuery(iid, object,
                       {{IID_IUnknown, editor}, {IID_IWMMetadataEditor, editor}, {IID_IWMHeaderInfo, info}});
}

HRESULT CMetadataEditor::Open(const WCHAR* path) {
    return NoThrow([&]() -> HRESULT {
        if (path == nullptr || *path == 0) return E_INVALIDARG;
        std::lock_guard<std::mutex> guard(lock_);
        if (open_) return E_UNEXPECTED;
        std::string file = Utf16ToUtf8(std::u16string_view(path));
        std::vector<std::uint8_t> bytes;
        std::uint64_t size = 0;
        HRESULT hr = ReadAsfHeaderBytes(file, bytes, size);
        TAsfHeader header;
        if (SUCCEEDED(hr)) hr = ReadAsfHeader(bytes, header);
        if (FAILED(hr)) return hr;
        if (header.isProtected) return MEDIACORE_E_PROTECTED;
        // A save of this song that was killed left its temporary file.
        if (char resolved[PATH_MAX]; realpath(file.c_str(), resolved) != nullptr) RemoveStaleTagTempFiles(resolved);
        path_ = std::move(file);
        headerBytes_ = std::move(bytes);
        fileSize_ = size;
        header_ = std::move(header);
        changed_ = false;
        extensionChanged_ = false;
        open_ = true;
        return S_OK;
    });
}

void CMetadataEditor::CloseLocked() {
    open_ = false;
    path_.clear();
    headerBytes_.clear();
    header_ = TAsfHeader{};
    changed_ = false;
    extensionChanged_ = false;
}

HRESULT CMetadataEditor::Close() {
    std::lock_guard<std::mutex> guard(lock_);
    if (!open_) return MEDIACORE_E_NOT_OPEN;
    CloseLocked();
    return S_OK;
}

HRESULT CMetadataEditor::Flush() {
    return NoThrow([&]() -> HRESULT {
        std::lock_guard<std::mutex> guard(lock_);
        if (!open_) return MEDIACORE_E_NOT_OPEN;
        if (changed_) {
            const std::vector<std::uint8_t> rebuilt =
                WriteAsfHeader(headerBytes_, header_, extensionChanged_, fileSize_ - header_.headerBytes);
            const HRESULT hr = ReplaceAsfHeader(path_, rebuilt, headerBytes_, fileSize_);
            if (FAILED(hr)) return hr;
        }
        CloseLocked();
        return S_OK;
    });
}

HRESULT CMetadataEditor::GetAttributeCount(WORD stream, WORD* count) {
    return NoThrow([&]() -> HRESULT {
        if (count == nullptr) return E_POINTER;
        std::lock_guard<std::mutex> guard(lock_);
        if (!open_) return MEDIACORE_E_NOT_OPEN;
        // Only file-level attributes are kept; streams have none of their own here.
        const std::size_t listed = stream == 0 ? ListFileAttributes(header_).size() : 0;
        *count = static_cast<WORD>(std::min<std::size_t>(listed, 0xFFFF));
        return S_OK;
    });
}

HRESULT CMetadataEditor::GetAttributeByIndex(WORD index, WORD* stream, WCHAR* name, WORD* nameLength,
                                             WMT_ATTR_DATATYPE* type, BYTE* value, WORD* valueLength) {
    return NoThrow([&]() -> HRESULT {
        if (stream == nullptr || nameLength == nullptr || type == nullptr || valueLength == nullptr) return E_POINTER;
        std::lock_guard<std::mutex> guard(lock_);
        if (!open_) return MEDIACORE_E_NOT_OPEN;
        if (*stream != 0) return E_INVALIDARG;
        const std::vector<TAsfAttribute> list = ListFileAttributes(header_);
        if (index >= list.size()) return E_INVALIDARG;
        return CopyAttributeOut(list[index], name, nameLength, type, value, valueLength);
    });
}

HRESULT CMetadataEditor::SetAttribute(WORD stream, const WCHAR* name, WMT_ATTR_DATATYPE type, const BYTE* value,
                                      WORD length) {
    return NoThrow([&]() -> HRESULT {
        if (name == nullptr || (value == nullptr && length != 0)) return E_POINTER;
        if (stream != 0 || !IsValidValueLength(type, length)) return E_INVALIDARG;
        std::lock_guard<std::mutex> guard(lock_);
        if (!open_) return MEDIACORE_E_NOT_OPEN;
        TAsfAttribute attribute;
        attribute.name = WideFromPointer(name);
        attribute.type = type;
        if (length != 0) attribute.value.assign(value, value + length);
        if (type == WMT_TYPE_STRING &&
            (attribute.value.size() < 2 || attribute.value[length - 1] != 0 || attribute.value[length - 2] != 0)) {
            attribute.value.insert(attribute.value.end(), {0, 0});
        }
        if (attribute.value.size() > 0xFFFF) return E_INVALIDARG;
        const HRESULT hr = StoreFileAttribute(header_, attribute, &extensionChanged_);
        if (SUCCEEDED(hr)) changed_ = true;
        return hr;
    });
}
