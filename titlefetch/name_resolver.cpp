#include "titlefetch/name_resolver.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<ResolveFunction> gResolve{nullptr};

// One lookup, shared by the caller and its worker: whichever leaves last
// frees it.
struct TLookup {
    std::string host;
    std::string service;
    addrinfo hints{};
    ResolveFunction resolve = nullptr;

    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    // The caller stopped waiting: the worker frees what it finds.
    bool abandoned = false;
    int result = 0;
    addrinfo* found = nullptr;

    void Run() {
        addrinfo* list = nullptr;
        const int status = resolve(host.c_str(), service.c_str(), &hints, &list);
        std::lock_guard lock(mutex);
        if (abandoned) {
            if (list != nullptr) freeaddrinfo(list);
            list = nullptr;
        }
        result = status;
        found = list;
        done = true;
        finished.notify_all();
    }
};

// Owns the lookup workers, so every one is joined.
class CResolverPool {
public:
    static CResolverPool& Instance() {
        static CResolverPool pool;
        return pool;
    }
    // Workers that finished are joined. One still inside the system's
    // resolver cannot be interrupted, and joining it would hold up the
    // program's exit for as long as the resolver takes (tens of seconds):
    // it is let go, with the lookup it shares kept alive by its own
    // reference, and ends with the process.
    ~CResolverPool() {
        std::lock_guard lock(mutex_);
        for (TWorker& worker : workers_) {
            bool done = false;
            {
                std::lock_guard lookupLock(worker.lookup->mutex);
                done = worker.lookup->done;
                worker.lookup->abandoned = true;
            }
            if (done)
                worker.thread.join();
            else
                worker.thread.detach();
        }
    }

    void Start(const std::shared_ptr<TLookup>& lookup) {
        std::lock_guard lock(mutex_);
        JoinFinished();
        workers_.push_back({lookup, std::thread([lookup] { lookup->Run(); })});
    }

private:
    struct TWorker {
        std::shared_ptr<TLookup> lookup;
        std::thread thread;
    };

    // Joins the workers whose lookups are done (they are at most leaving
    // Run), so abandoned ones do not pile up.
    void JoinFinished() {
        for (auto it = workers_.begin(); it != workers_.end();) {
            bool done = false;
            {
                std::lock_guard lookupLock(it->lookup->mutex);
                done = it->lookup->done;
            }
            if (!done) {
                ++it;
                continue;
            }
            it->thread.join();
            it = workers_.erase(it);
        }
    }

    std::mutex mutex_;
    std::vector<TWorker> workers_;
};

}  // namespace

void SetResolveFunction(ResolveFunction resolve) { gResolve.store(resolve); }

ResolveOutcome ResolveHost(const char* host, const char* service, const addrinfo& hints, std::uint32_t timeoutMs,
                           AddressList& addresses) {
    addresses.reset();
    // A numeric address needs no lookup and never blocks.
    addrinfo numeric = hints;
    numeric.ai_flags |= AI_NUMERICHOST;
    addrinfo* list = nullptr;
    if (getaddrinfo(host, service, &numeric, &list) == 0 && list != nullptr) {
        addresses.reset(list);
        return ResolveOutcome::Found;
    }

    std::shared_ptr<TLookup> lookup;
    try {
        lookup = std::make_shared<TLookup>();
        lookup->host = host;
        lookup->service = service;
        lookup->hints = hints;
        const ResolveFunction resolve = gResolve.load();
        lookup->resolve = resolve != nullptr ? resolve : &getaddrinfo;
        CResolverPool::Instance().Start(lookup);
    } catch (const std::exception&) {
        // No memory or no thread for the lookup.
        return ResolveOutcome::NotFound;
    }

    std::unique_lock lock(lookup->mutex);
    if (!lookup->finished.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return lookup->done; })) {
        lookup->abandoned = true;
        return ResolveOutcome::TimedOut;
    }
    addresses.reset(lookup->found);
    lookup->found = nullptr;
    return lookup->result == 0 && addresses ? ResolveOutcome::Found : ResolveOutcome::NotFound;
}
