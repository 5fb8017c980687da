#include "platter/burn_library.h"

#include <libburn/libburn.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "filekit/log.h"

using namespace burn;

namespace {

std::mutex& LibraryLock() {
    static std::mutex lock;
    return lock;
}
int g_users = 0;  // under LibraryLock
std::atomic<bool> g_verbose{false};

std::mutex& ComplaintLock() {
    static std::mutex lock;
    return lock;
}
std::string g_complaint;  // under ComplaintLock

// libburn's severities, least severe first, from its message interface.
bool AtLeast(const char* severity, const char* floor) {
    static const char* const kOrder[] = {"DEBUG", "UPDATE", "NOTE", "HINT", "WARNING",
                                         "SORRY", "FAILURE", "FATAL", "ABORT"};
    int have = 0, want = 0;
    for (int i = 0; i < 9; ++i) {
        if (std::strcmp(severity, kOrder[i]) == 0) have = i;
        if (std::strcmp(floor, kOrder[i]) == 0) want = i;
    }
    return have >= want;
}

}  // namespace

CBurnLibraryUse::CBurnLibraryUse() {
    std::lock_guard<std::mutex> hold(LibraryLock());
    if (g_users == 0) {
        if (burn_initialize() == 0) {
            LogFmt("CBurnLibraryUse - libburn could not be started");
            return;
        }
        // Everything is queued for us; nothing is printed to the terminal.
        char all[] = "ALL";
        char never[] = "NEVER";
        char prefix[] = "libburn: ";
        burn_msgs_set_severities(all, never, prefix);
        // Drives are opened exclusively, and a busy one is reported rather
        // than waited for.
        burn_preset_device_open(1, 0, 0);
    }
    ++g_users;
    ready_ = true;
}

CBurnLibraryUse::~CBurnLibraryUse() {
    if (!ready_) return;
    std::lock_guard<std::mutex> hold(LibraryLock());
    if (--g_users == 0) {
        DrainBurnMessages("CBurnLibraryUse");
        burn_finish();
    }
}

void SetBurnVerboseLogging(bool on) { g_verbose.store(on); }

void DrainBurnMessages(const char* who) {
    char minimum[] = "ALL";
    int code = 0;
    int osErrno = 0;
    char text[BURN_MSGS_MESSAGE_LEN];
    char severity[80];
    while (burn_msgs_obtain(minimum, &code, text, &osErrno, severity) == 1) {
        const bool complaint = AtLeast(severity, "SORRY");
        if (g_verbose.load() || AtLeast(severity, "WARNING"))
            LogFmt("%s - libburn %s 0x%x: %s", who, severity, static_cast<unsigned>(code), text);
        if (complaint) {
            std::lock_guard<std::mutex> hold(ComplaintLock());
            g_complaint = text;
        }
    }
}

std::string LastBurnComplaint() {
    std::lock_guard<std::mutex> hold(ComplaintLock());
    return g_complaint;
}

void ForgetBurnComplaint() {
    std::lock_guard<std::mutex> hold(ComplaintLock());
    g_complaint.clear();
}
