#include "songsmith/player/ui/tests/player_panel_fixture.h"

#include <QApplication>

#include "platform/user_folders.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/session/tests/song_files.h"
#include "tonecore/engine/engine_service_thread.h"
#include "utilities/keyed_text.h"

namespace paneltest {

bool CStandInSession::PlayRow(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return false;
    SetPlaySource(kPlaySourceSession);
    const TRow& chosen = rows_[static_cast<std::size_t>(row)];
    return player_.PlaySong(chosen.path.c_str(), chosen.serial, 0, -1, 0xFFFF, 0);
}

bool CStandInSession::PlayNext(bool /*random*/, int currentSerial, bool forward) {
    const int count = static_cast<int>(rows_.size());
    if (count == 0) return false;
    int current = forward ? -1 : count;
    for (int i = 0; i < count; ++i)
        if (rows_[static_cast<std::size_t>(i)].serial == currentSerial) current = i;
    const int next = ((current + (forward ? 1 : -1)) % count + count) % count;
    const TRow& chosen = rows_[static_cast<std::size_t>(next)];
    return player_.PlaySong(chosen.path.c_str(), chosen.serial, 0, -1, 0xFFFF, 0);
}

int CStandInSession::PlayingRow() {
    const int serial = player_.GetCurrentSerial();
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].serial == serial && player_.GetPlayingId() == player_.GetCurrentSoundId())
            return static_cast<int>(i);
    return -1;
}

void PlayerPanelTest::SetUp() {
    MainWindowFixture::SetUp();
    g_now = 100000;
    realClock_ = SetWaitClock({FakeSleep, FakeNow});
    logPath_ = dir_.File("log.txt");
    LogInit(logPath_.c_str());
    LogOn(1);
    // Four buffers of 100 ms: the device is never more than 400 ms ahead.
    prefs_->MixerNumBuffers = 4;
    prefs_->MixerBufferSize = 176400 * kBufferMs / 1000;
    prefs_->bContinuousPlayback = 1;
    prefs_->bRandomPlayback = 0;
    std::snprintf(prefs_->Marovelle_Temp_Dir, sizeof prefs_->Marovelle_Temp_Dir, "%s",
                  dir_.Path().c_str());
    ui_ = std::make_unique<testsupport::CFakeUiServices>();
    SetPlaySource(kPlaySourceSession);
}

void PlayerPanelTest::TearDown() {
    // The window (and the panel) first: the player outlives its panel.
    main_.reset();
    session_.reset();
    player_.reset();
    tracks_.reset();
    if (previousBackend_ != nullptr) SetWaveOutBackend(previousBackend_);
    ui_.reset();
    LogDeinit();
    SetWaitClock(realClock_);
    MainWindowFixture::TearDown();
}

void PlayerPanelTest::Start(bool noCard) {
    previousBackend_ = SetWaveOutBackend(noCard ? &MissingCardWaveOutBackend() : &null_);
    tracks_ = std::make_unique<CTrackList>(*prefs_);
    player_ = std::make_unique<CSongPlayer>(*prefs_, *tracks_);
    ASSERT_TRUE(player_->InitPlayback(44100, 16, 2));
    session_ = std::make_unique<CStandInSession>(*player_);
    Open(1);
    CStandInSession* session = session_.get();
    Panel().SetPartners({player_.get(), prefs_.get(),
                         [session](bool random, int serial, bool forward) {
                             return session->PlayNext(random, serial, forward);
                         }});
}

std::string PlayerPanelTest::Song(const std::string& title, std::uint32_t ms) {
    const std::string path = dir_.File(title + ".wav");
    testsupport::WriteWholeFile(path, songfiles::WavBytes(44100, 2, ms, 1000));
    return path;
}

void PlayerPanelTest::Advance(std::int32_t ms) {
    for (std::int32_t done = 0; done < ms; done += kBufferMs) {
        g_now += kBufferMs;
        ServiceCurrentMixer();
        player_->SoundLoadingPass();
        Settle();
    }
}

void PlayerPanelTest::Load() {
    for (int pass = 0; pass < 4 && player_->GetRequestedId() != player_->GetPlayingId(); ++pass) {
        player_->SoundLoadingPass();
        ServiceCurrentMixer();
    }
    Settle();
}

void PlayerPanelTest::PlayUntilChange(std::int32_t limitMs) {
    const std::uint32_t shown = Panel().CurrentSoundId();
    for (std::int32_t done = 0; done < limitMs && Panel().CurrentSoundId() == shown;
         done += kBufferMs)
        Advance(kBufferMs);
}

void PlayerPanelTest::Click(int id) {
    ASSERT_TRUE(testsupport::ClickControl(PanelWindow(), id)) << id;
    Settle();
}

std::string PlayerPanelTest::TimeNow() {
    Panel().OnTimer(CPlayerPanel::kTimeTimer);
    return Panel().TimeText();
}

std::string PlayerPanelTest::Logged() {
    return testsupport::ReadWholeFile(logPath_);
}

}  // namespace paneltest
