// The burn itself, on the controller's worker: it waits until no CD page
// rips and the session is loaded, prepares the audio, writes a test and the
// copies, turns the drive's failure codes into questions for the user or
// error indexes, and reports the end to the main window.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "filekit/log.h"
#include "platter/errors.h"
#include "platform/user_folders.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/burner/burn_sound_steps.h"
#include "songsmith/burner/burner.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/system/fixed_drives.h"
#include "songsmith/system/power_saving.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/app/system_switches.h"
#include "songsmith/session/track_list.h"
#include "songsmith/session/track_states.h"
#include "utilities/file_system.h"
#include "utilities/text_format.h"

namespace {

// Burn modes.
constexpr int kModeWholeSession = 1;
constexpr int kModeShortOnly = 3;
constexpr int kModeOnTheFly = 5;
// "BurnerPrefs" burn mode choice: a test, then the real copies.
constexpr int kTestThenBurn = 1;
// The requests the worker raises.
constexpr int kRequestInsertDisc = 1;
constexpr int kRequestRewritable = 2;
constexpr int kRequestDiscTooSmall = 4;
// Pass results.
constexpr int kPassFailed = 0;
constexpr int kPassGoOn = 1;
constexpr int kPassAgain = 2;
// The capacity a written disc leaves stored until the drive shows the next.
constexpr int kResetCapacityMs = 4439990;

std::string LengthText(long ms) {
    char text[kLengthStringSize];
    MakeLengthString(ms, text, sizeof text, 0);
    return text;
}

}  // namespace

void CBurner::BurnThreadProc() {
    SetPowerSavingEnabled(false);
    threadRunning.store(true);
    burnProofInUse.store(prefs_.BurnerPrefs[kBurnerBurnProof] != 0 && SupportsBurnProof());
    // A pass started again for a smaller disc goes on with the copy that
    // asked for it: the copies already written stay written.
    copyIndex.store(0);
    int result = kPassAgain;
    while (result == kPassAgain) result = DoBurn();
    SetPowerSavingEnabled(true);
    if (abort.load()) {
        SetState(kBurnStateNoDisc);
        writePhase.store(0);
        Log(test.load() ? "User aborted the test!" : "User aborted the burn!");
        result = kPassFailed;
    }
    // Posted while the thread still counts as running: the window reads the
    // controller's fields only once the worker has said it ended.
    PostBurnEnd(result);
}

void CBurner::PostBurnEnd(int result) {
    const TReceiverId window = host_.WindowReceiver();
    PostAppMessage(window, TAppMessage{WM_BURN_FINISHED, static_cast<std::uintptr_t>(result),
                                       abort.load() ? 0 : 1, nullptr});
    if (result == kPassFailed)
        PostAppMessage(window, TAppMessage{WM_BURN_ERROR, static_cast<std::uintptr_t>(errorIndex.load()), 0, nullptr});
}

int CBurner::DoBurn() {
    errorText[0] = '\0';
    SetState(kBurnStateWaiting);
    writePhase.store(0);
    int count = 0;
    if (tracks_ != nullptr) {
        tracks_->Lock();
        count = std::min(tracks_->GetCount(), PLATTER_MAX_TRACKS);
        tracks_->Unlock();
    }
    Log("Enter prep-wait cycle...");
    WaitBeforePreparing();

    int result = PrepareAudio(count) > 0 && !abort.load() ? kPassGoOn : kPassFailed;
    if (result == kPassGoOn && device_ == nullptr) {
        errorIndex.store(3);
        result = kPassFailed;
    }
    int copyCount = test.load() ? 1 : copies.load();
    while (!abort.load() && preparedTracks.load() > 0 && copyIndex.load() < copyCount && result == kPassGoOn)
        result = WriteCopy(copyCount);

    SetTrackStates(PLATTER_MAX_TRACKS, kTrackReady, true);
    if (!prefs_.AllowCDRWDiscs) allowRewritable.store(false);
    return result;
}

void CBurner::WaitBeforePreparing() {
    while (!abort.load() && host_.AnyPageRipping()) WaitFor(timing_.workerWaitLongMs);
    while (!abort.load()) {
        bool loading = false;
        if (tracks_ != nullptr) {
            tracks_->Lock();
            loading = tracks_->HasTrackInState(kTrackInUse) || tracks_->HasPendingTracks();
            tracks_->Unlock();
        }
        if (loading) SetState(kBurnStateWaiting);
        WaitFor(timing_.workerWaitMidMs);
        if (!loading) break;
    }
    Log("End prep-wait cycle...");
    while (!abort.load() && checkingGate.load()) WaitFor(timing_.workerWaitShortMs);
}

bool CBurner::EnoughSpaceFor(int msToConvertNow) {
    const double neededKB = BurnKilobytesFor(msToConvertNow);
    const std::string temp = TempFolder();
    const double freeKB = freeSpace_ ? freeSpace_(temp.c_str()) : GetKBFree(temp.c_str());
    if (freeKB > neededKB) {
        LogFmt("Enough space found on main drive = %0.2f KB", freeKB);
        return true;
    }
    const double totalKB = GetTotalHardDiskFreeKB();
    const int drives = CountFixedDrives();
    const double reserveKB = drives * 60.0 + 249.0;
    LogFmt("Total hard drives space=%0.2f KB, Num Drives = %d, Min Left Over space =%0.2f", totalKB, drives,
           reserveKB);
    if (reserveKB + neededKB >= totalKB) {
        Log("Not enough space!...");
        FailPreparation(8);
        return false;
    }
    Log("Will use multiple hard drives for converted wavs...");
    return true;
}

int CBurner::PrepareAudio(int count) {
    const int burnMode = mode.load();
    const bool wholeSession = burnMode != kModeOnTheFly && (ZentEngine() || burnMode == kModeWholeSession);
    if (reuseConverted.load() && wholeSession) {
        // One rendering made every file: they serve again only all together,
        // for the session exactly as it was rendered.
        if (WholeSessionFilesMatch(count)) {
            preparedTracks.store(count);
            LogFmt("Total Burn length is %s", LengthText(totalBurnLength.load()).c_str());
            return count;
        }
        reuseConverted.store(false);
    }
    conversionComplete.store(false);
    // Track by track, each file that still matches its track is kept (the
    // conversion decides); otherwise every file is made anew.
    if (tracks_ != nullptr && !reuseConverted.load()) {
        tracks_->Lock();
        for (int s = 0; s < count; ++s)
            if (CCDTrack* track = tracks_->GetAt(s)) track->SetTempFile("");
        tracks_->Unlock();
    }
    preparedTracks.store(count);

    const int toConvert =
        GetLengthToConvert(prefs_.BurnerPrefs[kBurnerConvertFirst] != 0, burnMode == kModeShortOnly);
    msToConvert.store(toConvert);
    if (burnMode != kModeOnTheFly) {
        LogFmt("Need to convert %s to wav...", LengthText(toConvert).c_str());
        if (!EnoughSpaceFor(toConvert) || abort.load()) return 0;
    }

    Log("Enter Wav Convert or Zent prepping cycle...");
    totalBurnLength.store(0);
    int prepared = 0;
    if (burnMode == kModeOnTheFly) {
        // The drive pulls the audio while it writes: only the layout now.
        prepared = MixSessionToWav(BurnPcmSinkCallback, this, false, false);
    } else if (ZentEngine() || burnMode == kModeWholeSession) {
        prepared = MixSessionToWav(BurnPcmSinkCallback, this, true, true);
    } else {
        prepared = ConvertTracksAsNeeded();
    }
    preparedTracks.store(prepared);
    if (prepared <= 0) return 0;

    if (!abort.load() && burnMode != kModeOnTheFly) conversionComplete.store(true);
    const std::int64_t elapsed = Now() - conversionStart.load();
    const double rate = elapsed > 0 ? static_cast<double>(msConverted.load()) / static_cast<double>(elapsed) : 0.0;
    LogFmt("Estimated wav file conversion rate = %0.3f data mils/real mils", rate);
    Log("Exit Wav Convert cycle...");
    LogFmt("Total Burn length is %s", LengthText(totalBurnLength.load()).c_str());
    return prepared;
}

int CBurner::WriteCopy(int& copyCount) {
    writePhase.store(0);
    // Platter copies every path when the write starts; these live until then.
    std::array<std::string, PLATTER_MAX_TRACKS> paths;
    TWriteDiscParams block;
    FillTrackEntries(block, paths);
    if (prefs_.BurnerPrefs[kBurnerCdText] != 0 && SupportsCDText()) {
        const std::string cue = TempFolder() + "/mycue.txt";
        if (cue.size() < sizeof block.cueSheetPath && CreateCueSheet(cue.c_str(), block.trackCount))
            std::snprintf(block.cueSheetPath, sizeof block.cueSheetPath, "%s", cue.c_str());
    }
    currentTrack.store(-1);
    int result = kPassGoOn;
    bool written = false;
    if (!abort.load()) {
        FillWriteSettings(block);
        result = WriteWithRetries(block, copyCount, written);
    }
    if (result == kPassGoOn && written) AfterCopy(copyCount);
    writing.store(false);
    if (result != kPassFailed) WaitWhileRequestOpen();
    return result;
}

int CBurner::WriteWithRetries(TWriteDiscParams& block, int copyCount, bool& written) {
    int result = kPassGoOn;
    bool retry = false;
    do {
        retry = false;
        writeStart.store(kNoWriteStart);
        if (abort.load()) break;
        {
            std::lock_guard<std::recursive_mutex> hold(lock_);
            writing.store(true);
        }
        LogCurrentMemory();
        if (test.load())
            Log("**Starting test...");
        else
            LogFmt("**Starting burn...%d out of %d", copyIndex.load() + 1, copyCount);
        msWritten.store(0);
        currentTrack.store(-1);
        SetCDAutoPlayEnabled(false);
        if (WaitBeforeWriting()) {
            if (prefs_.AllowCDRWDiscs) allowRewritable.store(true);
            block.allowRewritable = allowRewritable.load() ? 1 : 0;
            const std::int32_t code = device_->WriteDisc(&block);
            if (code == PLATTER_WRITE_OK) {
                {
                    std::lock_guard<std::recursive_mutex> hold(lock_);
                    if (test.load()) {
                        // The next poll shows the drive again.
                        state.store(-1);
                    } else {
                        state.store(kBurnStateBurnt);
                        storedCapacity.store(kResetCapacityMs);
                    }
                }
                writePhase.store(0);
                written = true;
                if (test.load())
                    Log("Finished test...");
                else
                    LogFmt("Finished burn...%d out of %d", copyIndex.load() + 1, copyCount);
            } else {
                result = OnWriteFailure(code, state.load(), retry);
            }
        }
        SetCDAutoPlayEnabled(true);
    } while (retry && !abort.load());
    return result;
}

bool CBurner::WaitBeforeWriting() {
    // Nothing reaches the disc in this window: a stop costs no disc.
    preWriteWindow.store(true);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timing_.preWriteWindowMs);
    bool goOn = false;
    while (!abort.load()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            goOn = true;
            break;
        }
        WaitFor(static_cast<int>(std::min<std::int64_t>(left, timing_.workerWaitShortMs)));
    }
    preWriteWindow.store(false);
    return goOn;
}

int CBurner::OnWriteFailure(std::int32_t code, int stateBefore, bool& retry) {
    SetState(kBurnStateNoDisc);
    writePhase.store(0);
    drives_.GetLastError(errorText.data(), errorText.size());
    errorText.back() = '\0';
    LogFmt("%s", errorText.data());
    int ask = 0;
    if (abort.load()) {
        errorIndex.store(test.load() ? 10 : 11);
    } else if (code == PLATTER_WRITE_UNDERRUN) {
        // The drive runs dry only while it writes: an underrun keeps its own
        // index (its advice, and no blame on CD-Text) once writing has begun.
        errorIndex.store(15);
    } else if (stateBefore == kBurnStateBurning || stateBefore == kBurnStateTesting) {
        // Writing had begun: the disc is spoilt whatever the code.
        errorIndex.store(14);
    } else {
        errorIndex.store(9);
        switch (code) {
            case PLATTER_WRITE_NO_DISC:
            case PLATTER_WRITE_NOT_BLANK: ask = kRequestInsertDisc; break;
            case PLATTER_WRITE_REWRITABLE: ask = kRequestRewritable; break;
            case PLATTER_WRITE_DISC_TOO_SMALL: ask = kRequestDiscTooSmall; break;
            case PLATTER_WRITE_REFUSED:
            case PLATTER_WRITE_FAILED: errorIndex.store(14); break;
            default: break;
        }
    }
    if (ask == 0) return kPassFailed;
    if (!AskAndWait(ask)) {
        SetState(kBurnStateNoDisc);
        writePhase.store(0);
        return kPassFailed;
    }
    // Answered, the failure is no longer the burn's error: a later step
    // (the new layout among them) would take it for its own.
    errorIndex.store(0);
    // A smaller disc needs the session laid out again; otherwise the same
    // block is written again.
    if (ask == kRequestDiscTooSmall) return kPassAgain;
    retry = true;
    return kPassGoOn;
}

bool CBurner::AskAndWait(int value) {
    {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        request.store(value);
        writing.store(false);
    }
    WakeWaiters();
    return WaitWhileRequestOpen();
}

bool CBurner::WaitWhileRequestOpen() {
    for (int seen = request.load(); seen != 0 && !abort.load(); seen = request.load())
        WaitFor(timing_.workerWaitShortMs, seen);
    return !abort.load();
}

void CBurner::AfterCopy(int& copyCount) {
    const bool wasTest = test.load();
    if (!wasTest) {
        if (copyIndex.load() == 0) AddCDPlayerIniEntry(preparedTracks.load());
        // Every written disc leaves the drive, so the next copy finds a
        // blank one instead of failing on the one just written.
        if (prefs_.BurnerPrefs[kBurnerEject] != 0) device_->Eject();
    }
    if (wasTest && prefs_.BurnerPrefs[kBurnerMode] == kTestThenBurn) {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        test.store(false);
        copyCount = copies.load();
        request.store(0);
        copyIndex.store(0);
        return;
    }
    if (!wasTest) discBurntThisRun.store(true);
    const int next = copyIndex.fetch_add(1) + 1;
    if (next < copyCount) {
        if (prefs_.BurnerPrefs[kBurnerPlaySound] != 0 && soundPlayer_) {
            const std::string sound = FindResourceFile("success.mp3");
            soundPlayer_(sound.c_str());
        }
        SetRequest(kRequestInsertDisc);
        {
            std::lock_guard<std::recursive_mutex> hold(lock_);
            state.store(kBurnStateConverting);
            writePhase.store(0);
        }
        host_.SetLogoLevel(0);
        host_.SetLogoMode(2);
        SetTrackStates(preparedTracks.load(), kTrackReady, false);
    } else {
        SetRequest(0);
    }
}

void CBurner::SetTrackStates(int count, int newState, bool skipLoading) {
    if (tracks_ == nullptr) return;
    std::lock_guard<std::recursive_mutex> hold(lock_);
    tracks_->Lock();
    const int last = std::min({count, tracks_->GetCount(), PLATTER_MAX_TRACKS});
    for (int s = 0; s < last; ++s) {
        CCDTrack* track = tracks_->GetAt(s);
        if (track == nullptr) continue;
        const int current = track->GetState();
        if (skipLoading && current >= kTrackFileNotFound && current <= kTrackFailedPrep) continue;
        track->SetState(newState);
    }
    tracks_->Unlock();
}
