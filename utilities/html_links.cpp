#include "utilities/html_links.h"

#include <cstring>
#include <string>
#include <string_view>

#include "platform/ascii_case.h"
#include "utilities/text_copy.h"

using textcopy::Utf8PrefixLength;

namespace {

constexpr std::string_view kMailto = "mailto:";
constexpr std::string_view kHref = "href";
constexpr std::string_view kHttp = "http://";
constexpr std::string_view kWww = "www";
constexpr std::string_view kWebEndings[] = {".com", ".edu", ".org"};

bool IsDelimiter(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '<' ||
           c == '>';
}

std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// <a href="<prefix><target>"><text></a>
std::string Link(std::string_view prefix, std::string_view target, std::string_view text) {
    std::string link = "<a href=\"";
    link += prefix;
    link += Escaped(target);
    link += "\">";
    link += Escaped(text);
    link += "</a>";
    return link;
}

bool IsMarkup(std::string_view word) {
    const std::size_t href = word.find(kHref);
    return href != std::string_view::npos && href < word.find(kHttp) && href < word.find(kWww);
}

bool IsMailAddress(std::string_view word) {
    const std::size_t at = word.find('@');
    if (at == std::string_view::npos) return false;
    const std::size_t dot = word.find('.', at + 1);
    return dot != std::string_view::npos && dot + 1 < word.size();
}

bool HasWebEnding(std::string_view word) {
    for (std::string_view ending : kWebEndings) {
        if (AsciiFindNoCase(word, ending) != std::string_view::npos) return true;
    }
    return false;
}

// The word as HTML: a link, or the word unchanged (empty result).
std::string LinkFor(std::string_view word) {
    // Existing markup first, so that href="mailto:..." is not wrapped again.
    if (IsMarkup(word)) return {};
    // The word itself is the target only when it begins with its scheme:
    // with anything in front ("javascript:...http://") the browser would
    // follow that other scheme. Such words get the scheme put in front.
    if (IsMailAddress(word)) {
        if (word.starts_with(kMailto)) return Link("", word, word.substr(kMailto.size()));
        return Link(kMailto, word, word);
    }
    if (word.starts_with(kHttp)) return Link("", word, word);
    if (HasWebEnding(word)) return Link(kHttp, word, word);
    return {};
}

// Walks text as runs of delimiters and the words between them, in order,
// handing each to visit(piece, isWord) until it answers false.
template <typename Visit>
void ForEachPiece(std::string_view text, Visit visit) {
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = i;
        while (end < text.size() && IsDelimiter(text[end])) ++end;
        if (end > i && !visit(text.substr(i, end - i), false)) return;
        i = end;
        while (end < text.size() && !IsDelimiter(text[end])) ++end;
        if (end > i && !visit(text.substr(i, end - i), true)) return;
        i = end;
    }
}

}  // namespace

void ParseForHTML(const char* text, long len, char* out, long size) {
    if (out == nullptr || size < 1) return;
    out[0] = '\0';
    if (text == nullptr || len <= 0) return;
    const std::string_view input(text, strnlen(text, static_cast<std::size_t>(len)));
    const std::size_t limit = static_cast<std::size_t>(size) - 1;

    std::string result;
    // Appends a piece that may be cut (plain text) or must stay whole (a
    // link); false once the output is full.
    const auto append = [&](std::string_view piece, bool mayCut) {
        if (result.size() + piece.size() <= limit) {
            result += piece;
            return true;
        }
        if (mayCut) result += piece.substr(0, Utf8PrefixLength(piece, limit - result.size()));
        return false;
    };

    ForEachPiece(input, [&](std::string_view piece, bool isWord) {
        if (!isWord) return append(piece, true);
        const std::string link = LinkFor(piece);
        return link.empty() ? append(piece, true) : append(link, false);
    });
    std::memcpy(out, result.data(), result.size());
    out[result.size()] = '\0';
}

std::string HtmlTextWithLinks(std::string_view text) {
    std::string html;
    ForEachPiece(text, [&html](std::string_view piece, bool isWord) {
        const std::string link = isWord ? LinkFor(piece) : std::string();
        html += link.empty() ? Escaped(piece) : link;
        return true;
    });
    return html;
}
