#pragma once
// Resolving a host name within a time-out. getaddrinfo blocks for as long
// as the system's resolver takes (several seconds per name server and try),
// which a command's time-out must bound. Each lookup runs on a worker
// thread; the caller waits for it at most the time-out and then leaves it.
// A worker left behind finishes on its own and frees what it found. The
// process-wide pool that started a worker joins it when a later lookup
// starts after it finished, or when the library is unloaded; one still
// stuck in the system's resolver then is left to end with the process, so
// quitting never waits on it.

#include <netdb.h>

#include <cstdint>
#include <memory>

// The lookup a worker runs: getaddrinfo's signature, and its result is
// freed with freeaddrinfo.
using ResolveFunction = int (*)(const char* host, const char* service, const addrinfo* hints, addrinfo** result);

// Lookups started from now on run through resolve; null restores
// getaddrinfo. Tests pass one that stalls or names the loopback server.
void SetResolveFunction(ResolveFunction resolve);

struct AddressListDeleter {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, AddressListDeleter>;

enum class ResolveOutcome { Found, NotFound, TimedOut };

// The addresses of host and service, waiting at most timeoutMs. A numeric
// address is taken as it stands, without a worker.
ResolveOutcome ResolveHost(const char* host, const char* service, const addrinfo& hints, std::uint32_t timeoutMs,
                           AddressList& addresses);
