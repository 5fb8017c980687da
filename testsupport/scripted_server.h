#pragma once
// A scripted HTTP server on 127.0.0.1 for client tests: it listens on an
// ephemeral port on a thread of its own, records the bytes of each request
// (the header, and a body as long as its Content-Length) and answers each
// connection with the next script of steps. It serves as a proxy just as
// well: the client's request line then carries the whole address.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

struct ServerStep {
    enum class Kind { Send, Wait, Stall, Close };
    Kind kind = Kind::Close;
    std::string bytes;
    int ms = 0;

    static ServerStep Send(std::string bytes) { return {Kind::Send, std::move(bytes), 0}; }
    static ServerStep Wait(int ms) { return {Kind::Wait, {}, ms}; }
    // Sends nothing more until the client closes (or the server stops).
    static ServerStep Stall() { return {Kind::Stall, {}, 0}; }
    static ServerStep Close() { return {Kind::Close, {}, 0}; }
};
using ServerScript = std::vector<ServerStep>;

// A script that sends text in pieces of the given sizes (the rest in one
// piece), pausing pauseMs between them, then closes.
ServerScript SendInPieces(const std::string& text, const std::vector<std::size_t>& sizes, int pauseMs);

class ScriptedServer {
public:
    // Connections are answered in arrival order by the scripts in order; a
    // connection beyond them is closed after its request is read.
    explicit ScriptedServer(std::vector<ServerScript> scripts);
    // Every connection is answered by the script that responder makes from
    // its request, so clients that connect in any order each get the answer
    // meant for them.
    using Responder = std::function<ServerScript(const std::string& request)>;
    explicit ScriptedServer(Responder responder);
    // Stops the thread (ending any stall) and joins it.
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int Port() const { return port_; }
    // The requests received so far, in order.
    std::vector<std::string> Requests() const;

private:
    void Run();
    void Serve(int client, std::size_t index);
    std::string ReadRequest(int client);
    // Waits up to ms (negative: for ever) for fd to become readable; false
    // when the server is stopping or the time passed.
    bool WaitReadable(int fd, int ms);

    void Start();

    std::vector<ServerScript> scripts_;
    Responder responder_;
    int listener_ = -1;
    int stopPipe_[2] = {-1, -1};
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A loopback port that nothing listens on (it was free a moment ago).
int UnusedLoopbackPort();

}  // namespace testsupport
