#pragma once
// Sets a stream's data mode to read-once for a scope and gives the stream
// its own mode back at the end, however the scope is left. Decoding reads
// stop at the data end even in a looped window; the decoding objects do the
// looping themselves.

#include "filekit/ref_obj.h"

class CReadOnceScope {
public:
    explicit CReadOnceScope(CRefObj* stream) : stream_(stream), mode_(stream->DataMode()) { stream_->SetDataMode(0); }
    ~CReadOnceScope() { stream_->SetDataMode(mode_); }
    CReadOnceScope(const CReadOnceScope&) = delete;
    CReadOnceScope& operator=(const CReadOnceScope&) = delete;

private:
    CRefObj* stream_;
    int mode_;
};
