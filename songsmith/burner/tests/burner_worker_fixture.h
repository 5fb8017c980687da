#pragma once
// Whole burns on the controller's worker: the session of generated songs of
// the rendering tests, short waits, and an operator that answers the
// worker's requests as the progress dialog would (or aborts instead) until
// the worker ends. Burns go to the scripted writer or, with UseImageDrive,
// to the drive library's image drive in a temporary tray.

#include <gtest/gtest.h>

#include <fstream>
#include <chrono>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platter/platter.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/burner/burn_audio_decoder.h"
#include "songsmith/burner/burner_drives.h"
#include "songsmith/burner/tests/burner_render_fixture.h"
#include "tonecore/engine/engine_startup.h"

namespace workertest {

// What a rip of a track hands over, joined.
struct TRip {
    std::string data;
    static std::int32_t OnData(void* context, const void* data, std::int32_t count, std::int32_t size) {
        static_cast<TRip*>(context)->data.append(static_cast<const char*>(data),
                                                 static_cast<std::size_t>(count) * static_cast<std::size_t>(size));
        return 1;
    }
};

inline std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The main window's receiver in the message recorder (CSongActionScope).
constexpr TReceiverId kMainReceiver = 101;

// Every wait of a burn short, the window before a write none.
inline TBurnTiming ShortTiming() {
    TBurnTiming timing;
    timing.workerWaitLongMs = 1;
    timing.workerWaitMidMs = 1;
    timing.workerWaitShortMs = 1;
    timing.preWriteWindowMs = 0;
    return timing;
}

inline std::string Finished(int result, int notAborted) {
    return songfakes::Line("main %u %d %d", WM_BURN_FINISHED, result, notAborted);
}
inline std::string Error(int index) { return songfakes::Line("main %u %d 0", WM_BURN_ERROR, index); }

class WorkerTest : public rendertest::RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        prefs_.BurnerPrefs[kBurnerMode] = 2;
        prefs_.BurnerPrefs[kBurnerCopies] = 1;
        prefs_.BurnerPrefs[kBurnerEject] = 0;
        prefs_.BurnerPrefs[kBurnerPlaySound] = 0;
        prefs_.BurnerPrefs[kBurnerCdText] = 0;
        prefs_.BurnerPrefs[kBurnerConvertFirst] = 0;
        host_.receiver = kMainReceiver;
        MakeBurner(drives_, ShortTiming());
    }
    void TearDown() override {
        if (burner_) burner_->StopBurnThread();
        RenderTest::TearDown();
        burner_.reset();
        if (engineStarted_) SoundEngineShutdown();
    }

    // The sound engine decodes MPEG and WMA songs only while it runs (the
    // program starts it before anything loads a song).
    void StartEngine() {
        ASSERT_EQ(SoundEngineStartup(nullptr), 1);
        engineStarted_ = true;
    }

    void MakeBurner(IBurnerDrives& drives, TBurnTiming timing) {
        if (burner_) burner_->SetTrackList(nullptr);
        burner_ = std::make_unique<CBurner>(drives, prefs_, host_, &clock_, timing);
        ASSERT_EQ(burner_->Initialize(), 1);
        burner_->SetTrackList(&tracks_);
        burner_->SetFreeSpaceFunction([](const char*) { return 1e12; });
        burner_->SetEnvelopes(RecordingEnvelopes());
        burner_->SetSoundPlayer([this](const char* path) {
            Note(std::string("sound ") + std::filesystem::path(path).filename().string());
        });
    }

    // An image drive of the library as the only writer, in a tray of its
    // own: a blank 80-minute disc, written at once, kept in the tray until
    // ejected.
    void UseImageDrive(std::int32_t engine, TBurnTiming timing = ShortTiming(), std::int32_t capacityMinutes = 80) {
        if (burner_) burner_->SetTrackList(nullptr);
        burner_.reset();
        platter_ = std::make_unique<PLATTER_CPlatter>();
        platter_->listRealDrives = false;
        trayFolder_ = tray_.Path() + "/tray" + std::to_string(++trays_) + "/";
        platter_->imageDrive.trays = {trayFolder_};
        platter_->imageDrive.paced = false;
        platter_->imageDrive.swapDelayMs = 0;
        platter_->imageDrive.capacityMinutes = capacityMinutes;
        platter_->SetAudioDecoder(&decoder_);
        TBurningEngine chosen = static_cast<TBurningEngine>(engine);
        ASSERT_TRUE(platter_->InitializeASPILayer(false, nullptr, nullptr, &chosen));
        platter_->burningEngine = engine;
        platterDrives_ = std::make_unique<CPlatterDrives>(*platter_);
        MakeBurner(*platterDrives_, timing);
    }
    std::string TrayFolder() const { return trayFolder_; }

    // The written disc's track read back through the drive.
    std::string Rip(std::int32_t track) {
        TRip rip;
        TExtractParams params;
        params.dataCallback = &TRip::OnData;
        params.dataContext = &rip;
        params.trackNumber = track;
        EXPECT_TRUE(burner_->Device()->ExtractTrack(&params)) << "track " << track;
        return rip.data;
    }

    // Starts the burn and plays the operator until the worker ends:
    // answer(request) true clears a request, false aborts the burn.
    void Burn(int burnMode, bool isTest = false, int copies = 1,
              const std::function<bool(int)>& answer = [](int) { return true; }) {
        burner_->test = isTest;
        burner_->copies = copies;
        ASSERT_TRUE(burner_->StartBurn(burnMode, reuse_));
        // A burn that never ends (a session that never finishes loading)
        // fails the test instead of hanging the run.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
        while (burner_->threadRunning.load()) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "the burn did not end";
                burner_->AbortBurn();
                break;
            }
            const int request = burner_->request.load();
            if (request == 1 || request == 2 || request == 4) {
                Note("request " + std::to_string(request));
                if (!answer(request)) {
                    burner_->AbortBurn();
                    break;
                }
                burner_->MarkRequestAnswering();
                burner_->ClearRequest();
                continue;
            }
            // Woken by a new request or by the worker's end.
            burner_->WaitFor(60000, request);
        }
        burner_->StopBurnThread();
    }

    void Note(const std::string& line) {
        std::lock_guard<std::mutex> hold(notesLock_);
        notes_.push_back(line);
    }
    std::vector<std::string> Notes() {
        std::lock_guard<std::mutex> hold(notesLock_);
        return notes_;
    }
    // The burn's messages to the main window, in order.
    std::vector<std::string> Posts() {
        std::vector<std::string> burn;
        for (const std::string& post : scope_.poster.Posts())
            if (post.rfind(songfakes::Line("main %u ", WM_BURN_FINISHED), 0) == 0 ||
                post.rfind(songfakes::Line("main %u ", WM_BURN_ERROR), 0) == 0)
                burn.push_back(post);
        return burn;
    }
    // Those after the first skip.
    std::vector<std::string> PostsAfter(std::size_t skip) {
        const std::vector<std::string> all = Posts();
        return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(std::min(skip, all.size())), all.end());
    }

    // What Burn asks of StartBurn: 1 lets it reuse the last conversion.
    int reuse_ = 0;
    testsupport::TempDir tray_;
    CBurnAudioDecoder decoder_;
    std::unique_ptr<PLATTER_CPlatter> platter_;
    std::unique_ptr<CPlatterDrives> platterDrives_;
    std::string trayFolder_;
    int trays_ = 0;
    bool engineStarted_ = false;
    std::mutex notesLock_;
    std::vector<std::string> notes_;
};

}  // namespace workertest
