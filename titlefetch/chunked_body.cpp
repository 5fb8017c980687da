#include "titlefetch/chunked_body.h"

#include <algorithm>

#include "platform/ascii_case.h"
#include "titlefetch/cddb_text.h"

namespace {

// A size line is a hexadecimal number and perhaps extensions; none is near
// this long, and a server that sends more is not framing chunks.
constexpr std::size_t kMaxFramingLine = 1024;
// Fifteen hexadecimal digits keep a size well inside 64 bits.
constexpr std::size_t kMaxSizeDigits = 15;

}  // namespace

bool IsChunkedHeader(std::string_view header) {
    constexpr std::string_view kField = "transfer-encoding:";
    while (!header.empty()) {
        const std::size_t lf = header.find('\n');
        const std::string_view line = header.substr(0, lf);
        header = lf == std::string_view::npos ? std::string_view() : header.substr(lf + 1);
        if (line.size() >= kField.size() && AsciiEqualNoCase(line.substr(0, kField.size()), kField) &&
            AsciiFindNoCase(line.substr(kField.size()), "chunked") != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

bool CChunkedDecoder::TakeLine(std::string_view& piece) {
    const std::size_t lf = piece.find('\n');
    line_ += piece.substr(0, lf);
    piece.remove_prefix(lf == std::string_view::npos ? piece.size() : lf + 1);
    if (line_.size() > kMaxFramingLine) state_ = State::Broken;
    if (lf == std::string_view::npos) return false;
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    return true;
}

void CChunkedDecoder::StartChunk() {
    // "1a0", "1a0;name=value" or "1a0 ; name": hexadecimal digits first.
    std::size_t digits = 0;
    std::uint64_t size = 0;
    while (digits < line_.size() && HexDigitValue(line_[digits]) >= 0) {
        size = size * 16 + static_cast<std::uint64_t>(HexDigitValue(line_[digits]));
        ++digits;
    }
    const std::string_view rest = TrimBlanks(std::string_view(line_).substr(digits));
    line_.clear();
    if (digits == 0 || digits > kMaxSizeDigits || (!rest.empty() && rest[0] != ';')) {
        state_ = State::Broken;
        return;
    }
    left_ = size;
    state_ = size == 0 ? State::Done : State::Data;
}

void CChunkedDecoder::Feed(std::string_view piece, std::string& out) {
    while (!piece.empty() && state_ != State::Done && state_ != State::Broken) {
        switch (state_) {
            case State::Size:
                if (TakeLine(piece) && state_ != State::Broken) StartChunk();
                break;
            case State::Data: {
                const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(left_, piece.size()));
                out.append(piece.substr(0, take));
                piece.remove_prefix(take);
                left_ -= take;
                if (left_ == 0) state_ = State::DataEnd;
                break;
            }
            case State::DataEnd:
                // The data is followed by a line end and nothing else.
                if (TakeLine(piece) && state_ != State::Broken) {
                    state_ = line_.empty() ? State::Size : State::Broken;
                    line_.clear();
                }
                break;
            case State::Done:
            case State::Broken:
                break;
        }
    }
}
