#pragma once
// A process-wide text setting that one thread writes and any thread reads:
// each access copies the text under a small lock of its own. Instances are
// meant to be made once and never destroyed, so that readers during exit
// still find them.

#include <mutex>
#include <string>

class CGuardedText {
public:
    std::string Get() const {
        std::lock_guard<std::mutex> hold(lock_);
        return text_;
    }
    void Set(std::string text) {
        std::lock_guard<std::mutex> hold(lock_);
        text_ = std::move(text);
    }

private:
    mutable std::mutex lock_;
    std::string text_;
};
