#pragma once
// Error values of the CDDB client. The socket values keep the numbers of the
// socket layer the protocol code was first written against, so callers and
// logs compare and show the same codes everywhere; they go into the thread's
// last-error value. The device values go into the client's own last-error
// member and name what went wrong with the CD audio device.

#include <cstdint>

// Socket layer (thread's last error).
// A host name could not be resolved (an invalid argument to the socket layer).
inline constexpr std::uint32_t CDDB_ERR_INVALID_ARGUMENT = 10022;
// The server's answer was not a CDDB answer this client can use.
inline constexpr std::uint32_t CDDB_ERR_BAD_ANSWER = 10043;
// No data arrived within the time-out (connecting, sending or receiving).
inline constexpr std::uint32_t CDDB_ERR_TIMED_OUT = 10060;
// The server answered a query or read with a 5xx status (its own CDDB code
// or the HTTP status): it refuses this client, as public servers do with
// client names their operator has not registered. A value of this library's
// own, outside the socket layer's range.
inline constexpr std::uint32_t CDDB_ERR_SERVER_REFUSED = 20500;
// The server answered with CDDB's 530: an error of its own (overloaded, a
// time-out inside it), not a refusal of this client.
inline constexpr std::uint32_t CDDB_ERR_SERVER_ERROR = 20530;
// The server sent the request on to an address this client does not follow
// (another scheme than http://, or more redirects than it follows).
inline constexpr std::uint32_t CDDB_ERR_REDIRECTED = 20301;

// CD audio device (the client's last-error member), numbered after the media
// control interface's error base of 256.
// The drive or disc image could not be opened.
inline constexpr std::uint32_t CDDB_DEVERR_CANNOT_OPEN = 263;
// The drive holds no readable disc.
inline constexpr std::uint32_t CDDB_DEVERR_NOT_READY = 276;
// The drive's table of contents could not be read.
inline constexpr std::uint32_t CDDB_DEVERR_HARDWARE = 262;
// A track number beyond the disc's tracks was asked for.
inline constexpr std::uint32_t CDDB_DEVERR_OUT_OF_RANGE = 282;
// The disc holds no audio track.
inline constexpr std::uint32_t CDDB_DEVERR_NO_AUDIO = 290;

// Results of query (and read): what went wrong, in the order of a command.
enum CDDBResult : int {
    CDDB_OK = 0,
    CDDB_NO_SOCKET = 1,
    CDDB_NO_CONNECTION = 2,
    CDDB_BAD_ANSWER = 3,
    CDDB_NOT_SENT_OR_READ = 4,
};
