#pragma once
// A reference-counted stand-in for a stream that an object owns itself.
//
// A RIFF writer keeps a counted reference on the stream it writes. When that
// stream is the converter object itself, the writer's reference would keep
// the converter alive after its owner lets go, and closing the writer from
// the converter's destructor would release the converter a second time.
// The converter hands the writer this alias instead: the writer counts
// references on the alias, and every call goes through to the stream.

#include <cstdint>

#include "filekit/ref_obj.h"

class CStreamAlias : public CRefObj {
public:
    // target outlives the alias. The owner gives the alias the target's
    // write mode once the target is open (SetWriteMode).
    explicit CStreamAlias(CRefObj* target) : target_(target) {}

    int IsOpen() override { return target_->IsOpen(); }
    std::int64_t Read(void* buf, std::int64_t len) override { return target_->Read(buf, len); }
    std::int64_t Write(const void* buf, std::int64_t len) override { return target_->Write(buf, len); }
    int Seek(std::int64_t offset, int whence) override { return target_->Seek(offset, whence); }
    std::int64_t Tell() override { return target_->Tell(); }
    std::int64_t Size() override { return target_->Size(); }

private:
    CRefObj* target_;
};
