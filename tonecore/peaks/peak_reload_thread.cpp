// Reloading a conserved peak record from its file on a short-lived thread.
//
// The thread works on the record itself, not on the view that started it
// (the view may go first). It holds no reference: the record's destructor
// joins it, so the record cannot go while the thread reads into it, and the
// thread never frees the record from under itself.
#include <string>
#include <system_error>
#include <thread>

#include "platform/last_error.h"
#include "tonecore/engine/engine_errors.h"
#include "tonecore/peaks/peak_file.h"
#include "tonecore/peaks/peak_record.h"
#include "tonecore/peaks/peaks.h"

namespace {

void PeaksReloadThread(TPeakRecord* record, std::string path) {
    // Whole: a record that fits its buffer comes back with every peak, not
    // only the last one.
    LoadPeakFileIntoRecord(*record, path.c_str(), 1);
    record->reloading.store(0);
}

}  // namespace

int CPeaks::ReloadFromDisk() {
    if (record_ == nullptr) return 0;
    TPeakRecord& r = *record_;
    // This sharer wants the peaks again: its agreement to free them ends
    // now, also when they are still (or again) in memory, so they are not
    // freed while it reads them.
    if (conserved_) {
        conserved_ = false;
        WithdrawConserveClaim(r);
    }
    const std::string path = PeakFilePath();
    if (r.loaded.load() || path.empty() || r.reloading.load()) return 0;
    if (r.conserveCount.load() >= r.references.load()) return 0;
    std::int32_t idle = 0;
    if (!r.reloading.compare_exchange_strong(idle, 1)) return 0;
    // Another reload may have finished between the checks above and taking
    // the flag: loading again would swap the buffer from under its readers.
    // Only a reload thread sets `loaded`, and none runs while we hold the
    // flag, so this look is final.
    if (r.loaded.load()) {
        r.reloading.store(0);
        return 0;
    }
    std::lock_guard<std::mutex> guard(r.threadLock);
    // The previous reload has ended (reloading was clear): collect it.
    if (r.reloadThread.joinable()) r.reloadThread.join();
    try {
        r.reloadThread = std::thread(PeaksReloadThread, &r, path);
    } catch (const std::system_error&) {
        r.reloading.store(0);
        SetLastError(TONECORE_ERR_NO_THREAD);
        return 0;
    }
    return 1;
}
