#include "filekit/memory_status.h"

#include <sys/resource.h>
#include <sys/sysinfo.h>

#include <cstdio>
#include <cstring>

namespace {

// x86-64 user address space (47 bits), used when no limit is set.
constexpr std::uint64_t kUserAddressSpace = std::uint64_t{1} << 47;

// Reads "<key>: <number> kB" from a /proc file; 0 when absent.
std::uint64_t ReadKilobytes(const char* file, const char* key) {
    std::FILE* in = std::fopen(file, "r");
    if (in == nullptr) return 0;
    char line[256];
    std::uint64_t kilobytes = 0;
    const std::size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof(line), in) != nullptr) {
        if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':') {
            unsigned long long value = 0;
            if (std::sscanf(line + keyLength + 1, "%llu", &value) == 1) kilobytes = value;
            break;
        }
    }
    std::fclose(in);
    return kilobytes;
}

}  // namespace

MemoryStatus ReadMemoryStatus() {
    MemoryStatus status;
    struct sysinfo info{};
    if (sysinfo(&info) == 0) {
        const std::uint64_t unit = info.mem_unit != 0 ? info.mem_unit : 1;
        status.totalPhysical = info.totalram * unit;
        status.freePhysical = info.freeram * unit;
        status.totalPaging = info.totalswap * unit;
        status.freePaging = info.freeswap * unit;
    }
    // "Available" counts reclaimable caches, which is what a user means by
    // memory not in use.
    const std::uint64_t available = ReadKilobytes("/proc/meminfo", "MemAvailable") * 1024;
    if (status.totalPhysical > 0) {
        const std::uint64_t unused = available > 0 ? available : status.freePhysical;
        const std::uint64_t usedPercent = 100 - unused * 100 / status.totalPhysical;
        status.loadPercent = static_cast<std::uint32_t>(usedPercent);
    }
    struct rlimit limit{};
    status.totalVirtual = (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
                              ? static_cast<std::uint64_t>(limit.rlim_cur)
                              : kUserAddressSpace;
    const std::uint64_t inUse = ReadKilobytes("/proc/self/status", "VmSize") * 1024;
    status.freeVirtual = inUse < status.totalVirtual ? status.totalVirtual - inUse : 0;
    return status;
}
