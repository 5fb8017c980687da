#pragma once
// CAnswerAssembler: collects the pieces of one server answer as they arrive
// and tells when the answer is complete. It knows nothing of sockets: the
// reader receives into the free room and reports the count, so the rules
// that end an answer hold whatever way the bytes were split.
//
// An answer is complete when the terminator arrives (the answer ends where
// the terminator starts) or, in the one-line modes, when the body's first
// line is whole and its code opens no list. A peer that closes the
// connection after a whole one-line answer has ended it normally, in every
// mode; any other close leaves the answer incomplete.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CAnswerAssembler {
public:
    enum class Progress {
        // Nothing decided yet: receive more.
        More,
        // The answer is complete (Answer()).
        Complete,
        // The connection closed before the answer was complete.
        Cut,
        // More arrived than any answer may hold.
        TooLarge,
    };

    // mode is one of CCDDB's read modes; the buffer starts at step bytes and
    // grows by step whenever a receive filled all the room it was given.
    CAnswerAssembler(std::string_view terminator, int step, int mode, std::size_t maxBytes);

    // Where the next receive goes, and how many bytes it may take. One byte
    // of the buffer is always kept free.
    char* Room() { return buffer_.data() + received_; }
    std::size_t RoomSize() const { return buffer_.size() - received_ - 1; }

    // count bytes were received into Room() (more than RoomSize() counts as
    // RoomSize()).
    Progress Received(std::size_t count);
    // The peer closed the connection.
    Progress Closed();

    // Everything received so far.
    std::string_view Text() const { return {buffer_.data(), received_}; }
    // The complete answer, without the terminator.
    std::string_view Answer() const { return Text().substr(0, answerLength_); }

private:
    std::string terminator_;
    std::size_t step_;
    int mode_;
    std::size_t maxBytes_;
    std::vector<char> buffer_;
    std::size_t received_ = 0;
    std::size_t answerLength_ = 0;
};
