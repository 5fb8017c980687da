#include "titlefetch/answer_assembler.h"

#include <algorithm>

#include "titlefetch/cddb.h"

namespace {

// The longest form of the CDDB terminator, "\r\n.\r\n": a search that goes
// on where the last one stopped starts this much before, less one, so a
// terminator split across receives is found.
constexpr std::size_t kLongestTerminator = 5;
// How every answer begins.
constexpr std::string_view kHttpStart = "HTTP/";

// The first line holding only "." after a line end, from from on; npos when
// none is complete yet.
std::size_t FindPeriodLine(std::string_view text, std::size_t from) {
    for (std::size_t at = text.find("\n.", from); at != std::string_view::npos; at = text.find("\n.", at + 1)) {
        const std::string_view after = text.substr(at + 2);
        if (after.substr(0, 1) == "\n" || after.substr(0, 2) == "\r\n") {
            return at > 0 && text[at - 1] == '\r' ? at - 1 : at;
        }
    }
    return std::string_view::npos;
}

}  // namespace

std::size_t FindAnswerEnd(std::string_view text, std::size_t from, std::string_view terminator) {
    if (terminator == CCDDB::kTerminator) {
        return FindPeriodLine(text, from);
    }
    return text.find(terminator, from);
}

CAnswerAssembler::CAnswerAssembler(std::string_view terminator, int step, int mode, std::size_t maxBytes)
    : terminator_(terminator.empty() ? std::string_view(CCDDB::kTerminator) : terminator),
      step_(step > 1 ? static_cast<std::size_t>(step) : static_cast<std::size_t>(CCDDB::kReadStep)),
      mode_(mode),
      maxBytes_(maxBytes),
      buffer_(step_) {}

void CAnswerAssembler::TakeBody() {
    if (!headerSeen_) {
        const std::optional<std::string_view> body = CCDDB::getBody(Raw());
        if (!body) return;
        headerSeen_ = true;
        const std::size_t headerLength = received_ - body->size();
        if (!IsChunkedHeader(Raw().substr(0, headerLength))) return;
        chunked_ = true;
        decoded_.assign(Raw().substr(0, headerLength));
        decodedFrom_ = headerLength;
        // What was searched of the body was the raw chunks.
        searched_ = std::min(searched_, headerLength);
    }
    if (!chunked_) return;
    decoder_.Feed(Raw().substr(decodedFrom_), decoded_);
    decodedFrom_ = received_;
}

bool CAnswerAssembler::Judge() {
    const std::string_view text = Text();
    const std::size_t from = searched_ >= kLongestTerminator ? searched_ - (kLongestTerminator - 1) : 0;
    searched_ = text.size();
    const std::size_t end = FindAnswerEnd(text, from, terminator_);
    if (end != std::string_view::npos) {
        answerLength_ = end;
        return true;
    }
    if (mode_ != CCDDB::kReadMultiLine && CCDDB::isCompleteOneLineAnswer(text)) {
        answerLength_ = text.size();
        return true;
    }
    return false;
}

CAnswerAssembler::Progress CAnswerAssembler::Received(std::size_t count) {
    const std::size_t room = RoomSize();
    if (count > room) count = room;
    received_ += count;
    // Every answer begins with an HTTP status line: other bytes (a server
    // of another protocol on that port) are refused at once rather than
    // waited on.
    const std::string_view start = Raw().substr(0, kHttpStart.size());
    if (start != kHttpStart.substr(0, start.size())) return Progress::Malformed;
    TakeBody();
    if (decoder_.Broken()) return Progress::Malformed;
    if (Judge()) return Progress::Complete;
    if (decoder_.Done()) return Ended();
    if (received_ >= maxBytes_) return Progress::TooLarge;
    if (count == room) buffer_.resize(buffer_.size() + step_);
    return Progress::More;
}

CAnswerAssembler::Progress CAnswerAssembler::Closed() {
    if (decoder_.Broken()) return Progress::Malformed;
    return Ended();
}

CAnswerAssembler::Progress CAnswerAssembler::Ended() {
    // HTTP/1.0 servers close the connection after the answer: after a whole
    // one-line answer that is its normal end.
    if (!CCDDB::isCompleteOneLineAnswer(Text())) return Progress::Cut;
    answerLength_ = Text().size();
    return Progress::Complete;
}
