#include "titlefetch/answer_assembler.h"

#include "titlefetch/cddb.h"

CAnswerAssembler::CAnswerAssembler(std::string_view terminator, int step, int mode, std::size_t maxBytes)
    : terminator_(terminator.empty() ? std::string_view(CCDDB::kTerminator) : terminator),
      step_(step > 1 ? static_cast<std::size_t>(step) : static_cast<std::size_t>(CCDDB::kReadStep)),
      mode_(mode),
      maxBytes_(maxBytes),
      buffer_(step_) {}

CAnswerAssembler::Progress CAnswerAssembler::Received(std::size_t count) {
    const std::size_t room = RoomSize();
    if (count > room) count = room;
    const std::size_t before = received_;
    received_ += count;

    // The terminator may have been split across receives.
    const std::size_t from = before >= terminator_.size() ? before - (terminator_.size() - 1) : 0;
    const std::size_t at = Text().find(terminator_, from);
    if (at != std::string_view::npos) {
        answerLength_ = at;
        return Progress::Complete;
    }
    if (mode_ != CCDDB::kReadMultiLine && CCDDB::isCompleteOneLineAnswer(Text())) {
        answerLength_ = received_;
        return Progress::Complete;
    }
    if (received_ >= maxBytes_) return Progress::TooLarge;
    if (count == room) buffer_.resize(buffer_.size() + step_);
    return Progress::More;
}

CAnswerAssembler::Progress CAnswerAssembler::Closed() {
    // HTTP/1.0 servers close the connection after the answer: after a whole
    // one-line answer that is its normal end.
    if (!CCDDB::isCompleteOneLineAnswer(Text())) return Progress::Cut;
    answerLength_ = received_;
    return Progress::Complete;
}
