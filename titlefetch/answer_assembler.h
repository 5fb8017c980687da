#pragma once
// CAnswerAssembler: collects the pieces of one server answer as they arrive
// and tells when the answer is complete. It knows nothing of sockets: the
// reader receives into the free room and reports the count, so the rules
// that end an answer hold whatever way the bytes were split.
//
// An answer is complete when its end arrives (the terminator, see
// FindAnswerEnd; the answer ends where the terminator starts) or, in the
// one-line modes, when the body's first line is whole and its code opens no
// list. A peer that closes the connection (or ends a chunked body) after a
// whole one-line answer has ended it normally, in every mode; any other
// close leaves the answer incomplete.
//
// A body sent in chunks is decoded as it arrives: the answer is the header
// followed by the data of the chunks, and every rule above looks at that.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "titlefetch/chunked_body.h"

// Where the answer in text ends, looking for its terminator from position
// from on; npos when it has not arrived. The CDDB terminator (CCDDB::
// kTerminator) stands for a line holding a single period after CR LF or
// after a bare LF, as servers of either kind send it; the answer then ends
// before the line end that precedes the period. Any other terminator is
// looked for as it stands.
std::size_t FindAnswerEnd(std::string_view text, std::size_t from, std::string_view terminator);

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
        // Bytes that do not begin an HTTP answer, or a chunked body whose
        // framing is broken.
        Malformed,
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

    // The bytes received so far, as they came.
    std::string_view Raw() const { return {buffer_.data(), received_}; }
    // The answer so far: the bytes received, or with a chunked body the
    // header followed by the data of its chunks.
    std::string_view Text() const { return chunked_ ? std::string_view(decoded_) : Raw(); }
    // The complete answer, without the terminator.
    std::string_view Answer() const { return Text().substr(0, answerLength_); }

private:
    // Looks at the header once it has ended, and decodes what arrived of a
    // chunked body.
    void TakeBody();
    // Complete when the answer's end or a whole one-line answer is there.
    bool Judge();
    // The peer ended the answer (closed, or sent the last chunk).
    Progress Ended();

    std::string terminator_;
    std::size_t step_;
    int mode_;
    std::size_t maxBytes_;
    std::vector<char> buffer_;
    std::size_t received_ = 0;
    std::size_t answerLength_ = 0;
    // Text() up to here holds no terminator.
    std::size_t searched_ = 0;
    bool headerSeen_ = false;
    bool chunked_ = false;
    CChunkedDecoder decoder_;
    std::string decoded_;
    // Raw() up to here went to the decoder.
    std::size_t decodedFrom_ = 0;
};
