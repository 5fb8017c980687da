#pragma once
// HTTP/1.1 chunked transfer coding (RFC 9112, section 7.1). The client asks
// in HTTP/1.0, but some servers and proxies answer in chunks all the same:
// read as plain text, the chunk-size lines would be spliced into the answer.
// The decoder takes the body's bytes in pieces as they arrive and hands out
// the data they carry.

#include <cstdint>
#include <string>
#include <string_view>

// Whether an HTTP header (status line and fields) announces a chunked body.
bool IsChunkedHeader(std::string_view header);

class CChunkedDecoder {
public:
    // Decodes the next piece of the body, appending the data to out. Bytes
    // after the last chunk (trailer fields) are passed over.
    void Feed(std::string_view piece, std::string& out);
    // The last chunk (size 0) has arrived.
    bool Done() const { return state_ == State::Done; }
    // The framing is broken: the rest cannot be told from data.
    bool Broken() const { return state_ == State::Broken; }

private:
    enum class State { Size, Data, DataEnd, Done, Broken };
    // Takes bytes of a framing line into line_; true with the whole line
    // (without its line end) once its LF has arrived.
    bool TakeLine(std::string_view& piece);
    void StartChunk();

    State state_ = State::Size;
    std::string line_;
    std::uint64_t left_ = 0;
};
