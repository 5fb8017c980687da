// Reading a CDDB server's answer and taking it apart into header, body,
// code and lines.

#include <algorithm>
#include <vector>

#include "platform/last_error.h"
#include "platform/tick.h"
#include "titlefetch/cddb.h"
#include "titlefetch/http_socket.h"

namespace {

// Longest wait between two looks at the clock, so a time-out is noticed
// within this while a trickling server keeps the connection alive.
constexpr std::int64_t kPollSliceMs = 250;

}  // namespace

bool CCDDB::readResponse(CHTTPSocket& socket, const char* terminator, std::string& answer, int step, int mode) {
    answer.clear();
    const std::string_view marker = terminator != nullptr && *terminator != '\0' ? terminator : kTerminator;
    const std::size_t growth = step > 0 ? static_cast<std::size_t>(step) : static_cast<std::size_t>(kReadStep);
    // One byte of the buffer is always kept free, as for a terminating zero,
    // so a receive that fills all the room it was given means more may come.
    std::vector<char> buffer(growth);
    std::size_t received = 0;
    const auto text = [&] { return std::string_view(buffer.data(), received); };
    const auto fail = [&] {
        keepResponse(decodeAnswer(text()));
        m_lastError = 0;
        return false;
    };

    const std::int64_t timeoutMs = m_timeout;
    const std::int64_t start = SteadyMilliseconds();
    const std::int64_t budgetMs = timeoutMs * kMaxTimeoutsPerRead;
    std::int64_t lastData = start;
    for (;;) {
        const std::int64_t now = SteadyMilliseconds();
        if (now - lastData > timeoutMs || now - start > budgetMs) {
            fail();
            SetLastError(CDDB_ERR_TIMED_OUT);
            return false;
        }
        const std::int64_t wait =
            std::max<std::int64_t>(1, std::min({kPollSliceMs, timeoutMs - (now - lastData) + 1, budgetMs - (now - start) + 1}));
        bool waiting = false;
        if (!socket.dataWaiting(waiting, static_cast<int>(wait))) return fail();
        if (!waiting) continue;

        const std::size_t room = buffer.size() - received - 1;
        const long count = socket.receive(buffer.data() + received, room);
        if (count <= 0) {
            // HTTP/1.0 servers close the connection after the answer: after a
            // whole one-line answer that is its normal end.
            if (count == 0 && isCompleteOneLineAnswer(text())) {
                answer.assign(text());
                return true;
            }
            return fail();
        }
        lastData = SteadyMilliseconds();
        const std::size_t before = received;
        received += static_cast<std::size_t>(count);

        // The terminator may have been split across receives.
        const std::size_t from = before >= marker.size() ? before - (marker.size() - 1) : 0;
        const std::size_t at = text().find(marker, from);
        if (at != std::string_view::npos) {
            answer.assign(text().substr(0, at));
            return true;
        }
        if (mode != kReadMultiLine && isCompleteOneLineAnswer(text())) {
            answer.assign(text());
            return true;
        }
        if (received >= kMaxAnswerBytes) {
            fail();
            SetLastError(CDDB_ERR_BAD_ANSWER);
            return false;
        }
        if (static_cast<std::size_t>(count) == room) buffer.resize(buffer.size() + growth);
    }
}

std::optional<std::string_view> CCDDB::getBody(std::string_view answer) {
    const std::size_t crlf = answer.find("\r\n\r\n");
    const std::size_t lf = answer.find("\n\n");
    if (crlf == std::string_view::npos && lf == std::string_view::npos) return std::nullopt;
    if (lf < crlf) return answer.substr(lf + 2);
    return answer.substr(crlf + 4);
}

int CCDDB::getCDDBResponseCode(std::string_view body) {
    if (body.size() < 3) return -1;
    int code = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (body[i] < '0' || body[i] > '9') return -1;
        code = code * 10 + (body[i] - '0');
    }
    return code;
}

// A line ends at its LF; a CR before it belongs to the line end.
std::optional<std::string_view> CCDDB::skipToNextLine(std::string_view text) {
    const std::size_t lf = text.find('\n');
    if (lf == std::string_view::npos) return std::nullopt;
    return text.substr(lf + 1);
}

std::optional<std::string_view> CCDDB::getNextLine(std::string_view& text) {
    const std::size_t lf = text.find('\n');
    if (lf == std::string_view::npos) return std::nullopt;
    const std::string_view rest = text.substr(lf + 1);
    text = text.substr(0, lf > 0 && text[lf - 1] == '\r' ? lf - 1 : lf);
    return rest;
}

bool CCDDB::isCompleteOneLineAnswer(std::string_view answer) {
    const std::optional<std::string_view> body = getBody(answer);
    if (!body || body->find('\n') == std::string_view::npos) return false;
    const int code = getCDDBResponseCode(*body);
    return code < 210 || code > 219;
}
