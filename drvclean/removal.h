#pragma once
// The whole removal, step by step:
//   1. the security service, when its program file is no longer shared;
//   2. nothing more while the driver file is still shared by another program;
//   3. the driver service;
//   4.-6. the driver's name out of the CD-ROM, tape and media changer filter
//      lists.
// A failed step shows its message at once and the removal goes on with the
// next one; nothing is logged.

#include <cstdint>

// 0 when every step that ran succeeded, else -1.
std::int32_t RemoveDriverServices();
