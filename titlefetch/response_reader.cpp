// Reading a CDDB server's answer and taking it apart into header, body,
// code and lines.

#include <algorithm>

#include "platform/last_error.h"
#include "platform/tick.h"
#include "titlefetch/answer_assembler.h"
#include "titlefetch/cddb.h"
#include "titlefetch/http_socket.h"

namespace {

// Longest wait between two looks at the clock, so a time-out is noticed
// within this while a trickling server keeps the connection alive.
constexpr std::int64_t kPollSliceMs = 250;

}  // namespace

bool CCDDB::readResponse(CHTTPSocket& socket, const char* terminator, std::string& answer, int step, int mode) {
    answer.clear();
    CAnswerAssembler assembler(terminator != nullptr ? terminator : "", step, mode, kMaxAnswerBytes);
    const auto fail = [&] {
        keepResponse(decodeAnswer(assembler.Text()));
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

        const long count = socket.receive(assembler.Room(), assembler.RoomSize());
        if (count < 0) {
            fail();
            SetLastError(CDDB_ERR_BAD_ANSWER);
            return false;
        }
        if (count > 0) lastData = SteadyMilliseconds();
        switch (count > 0 ? assembler.Received(static_cast<std::size_t>(count)) : assembler.Closed()) {
            case CAnswerAssembler::Progress::More:
                break;
            case CAnswerAssembler::Progress::Complete:
                answer.assign(assembler.Answer());
                return true;
            case CAnswerAssembler::Progress::Cut:
                fail();
                SetLastError(CDDB_ERR_BAD_ANSWER);
                return false;
            case CAnswerAssembler::Progress::TooLarge:
            case CAnswerAssembler::Progress::Malformed:
                fail();
                SetLastError(CDDB_ERR_BAD_ANSWER);
                return false;
        }
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
