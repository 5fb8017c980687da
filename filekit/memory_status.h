#pragma once
// The seven memory figures the log reports: load in percent and total and
// free bytes of physical memory, swap (the paging file) and address space.

#include <cstdint>

struct MemoryStatus {
    std::uint32_t loadPercent = 0;
    std::uint64_t totalPhysical = 0;
    std::uint64_t freePhysical = 0;
    std::uint64_t totalPaging = 0;
    std::uint64_t freePaging = 0;
    std::uint64_t totalVirtual = 0;
    std::uint64_t freeVirtual = 0;
};

// Reads the figures from the kernel (sysinfo, /proc/meminfo and the
// process's own status). Figures that cannot be read stay 0.
MemoryStatus ReadMemoryStatus();
