// CConv2WmaFile::WriteTag: the song's texts as attributes of the finished
// file, set through the media module's metadata editor.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "platform/last_error.h"
#include "tonecore/load/wm_release.h"
#include "tonecore/convert/conv2wma_file.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/tags/music_info.h"
#include "tonecore/tags/song_text_fields.h"
#include "tonecore/load/wma_errors.h"
#include "utilities/unicode.h"

namespace {

// A text attribute holds at most this many UTF-16 units.
constexpr std::size_t kMaxAttributeChars = 4096;

}  // namespace

bool CConv2WmaFile::OpenEditor(const char* path) {
    widePath_ = Utf8ToUtf16(path);
    if (widePath_.empty() || !GetEncoderDll()) return false;
    void* info = nullptr;
    if (createEditor_(&editor_) < 0 || editor_ == nullptr || editor_->Open(widePath_.c_str()) < 0 ||
        editor_->QueryInterface(IID_IWMHeaderInfo, &info) < 0 || info == nullptr) {
        // Nothing was changed: the editor is let go without saving.
        if (editor_ != nullptr) editor_->Release();
        editor_ = nullptr;
        SetLastError(TONECORE_ERR_WMA_WRITER);
        return false;
    }
    headerInfo_ = static_cast<IWMHeaderInfo*>(info);
    return true;
}

bool CConv2WmaFile::SetAttribute(const char* name, WMT_ATTR_DATATYPE type, const BYTE* data, std::uint32_t length) {
    const std::u16string wideName = Utf8ToUtf16(name != nullptr ? name : "");
    if (headerInfo_ == nullptr) {
        DiscardEditor(TONECORE_ERR_WMA_ATTRIBUTE);
        return false;
    }
    const HRESULT result = length > 0xFFFF ? E_INVALIDARG
                                           : headerInfo_->SetAttribute(0, wideName.c_str(), type, data,
                                                                       static_cast<WORD>(length));
    if (result >= 0 || result == E_NOTIMPL) return true;
    DiscardEditor(TONECORE_ERR_WMA_ATTRIBUTE);
    return false;
}

void CConv2WmaFile::DiscardEditor(std::uint32_t code) {
    // Closed without saving: a file keeps its old attributes rather than
    // getting half of the new ones.
    if (editor_ != nullptr) editor_->Close();
    ReleaseInterface(editor_);
    Close();
    SetLastError(code);
}

bool CConv2WmaFile::SetAttributeString(const char* name, const char* text) {
    std::u16string wide = Utf8ToUtf16(text != nullptr ? text : "");
    if (wide.size() > kMaxAttributeChars) wide.resize(kMaxAttributeChars);
    // UTF-16LE with its terminator.
    std::string bytes;
    for (char16_t unit : wide) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    bytes.append(2, '\0');
    return SetAttribute(name, WMT_TYPE_STRING, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<std::uint32_t>(bytes.size()));
}

bool CConv2WmaFile::SetSongAttributes(TMusicInfo& info) {
    // A whole tag sets what the record holds; an edit sets the fields it
    // names, an emptied one too, and leaves every other attribute alone.
    const bool whole = tagFields_ == kTagFieldsAll;
    const auto named = [&](std::uint32_t field) { return whole ? true : (tagFields_ & field) != 0; };
    const struct {
        const char* name;
        const char* text;
        std::uint32_t field;
    } texts[] = {
        {"Title", info.title, kTagFieldTitle},         {"Author", info.artist, kTagFieldArtist},
        {"WM/AlbumTitle", info.album, kTagFieldAlbum}, {"Description", info.comment, kTagFieldComment},
        {"Copyright", info.copyright, 0},
    };
    for (const auto& [name, text, field] : texts) {
        if (!named(field) || (whole && text[0] == '\0')) continue;
        if (!SetAttributeString(name, text)) return false;
    }
    // The CD identifier is a nicety: a file that cannot hold it keeps the rest.
    if (whole && info.cdIdentifierLength != 0 && headerInfo_ != nullptr) {
        const std::uint32_t length = std::min<std::uint32_t>(info.cdIdentifierLength, kCdIdentifierBytes);
        headerInfo_->SetAttribute(0, u"WM/MCDI", WMT_TYPE_BINARY, info.cdIdentifier, static_cast<WORD>(length));
    }
    PutGenreText(info);
    const struct {
        const char* name;
        std::string text;
        std::uint32_t field;
    } numbers[] = {{"WM/Genre", info.genre, kTagFieldGenre},
                   {"WM/Year", YearText(info), kTagFieldYear},
                   {"WM/Track", TrackText(info), 0}};
    for (const auto& [name, text, field] : numbers) {
        if (!named(field) || (whole && text.empty())) continue;
        if (!SetAttributeString(name, text.c_str())) return false;
    }
    return true;
}

std::int64_t CConv2WmaFile::WriteTag(const char* path, const char* text, TMusicInfo* info, CFileObj* /*source*/) {
    if (tagType_ == TAG_TYPE_NONE && protect_ == 0) return 0;
    if (path == nullptr || !OpenEditor(path)) return -1;
    if (tagType_ == TAG_TYPE_NONE) {
        Close();
        return 0;
    }
    std::unique_ptr<TMusicInfo> fresh;
    if (info == nullptr) {
        fresh.reset(new (std::nothrow) TMusicInfo);
        if (fresh == nullptr) return Fail(TONECORE_ERR_OUT_OF_MEMORY);
        info = fresh.get();
    }
    const bool whole = tagFields_ == kTagFieldsAll;
    if (whole && info->title[0] == '\0') CreateDefaultTagTitleString(path, info->title);
    if (whole && info->encodedBy[0] == '\0' && text != nullptr) {
        std::snprintf(info->encodedBy, sizeof info->encodedBy, "%s", text);
    }
    // A failed attribute has already closed the editor without saving.
    if (!SetSongAttributes(*info)) return -1;
    if (!CloseSaving()) {
        SetLastError(TONECORE_ERR_WMA_ATTRIBUTE);
        return -1;
    }
    return 0;
}
