#pragma once
// Included by a test executable that loads and unloads the media module:
// FFmpeg, which the module uses, stays loaded for the process's life. Its
// libraries allocate as they load and keep those allocations in their own
// globals; unloading them with the module would leave the allocations
// looking lost to the leak checker each time the module goes. Header only:
// the including test links FFmpeg already.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace testsupport {

[[maybe_unused]] inline const unsigned kMediaLibrariesHeld = avcodec_version() + avformat_version();

}  // namespace testsupport
