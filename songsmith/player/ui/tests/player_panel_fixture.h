#pragma once
// The player panel of the real main window, with the program's player on a
// null sound device that plays against a fake wait clock. The test drives
// everything: the clock, the engine's service passes, the player's loading
// worker and the delivery of the posted messages. A small session stands
// in for the session list: rows of songs that play on a double-click and
// give the next song in their order.

#include <QSlider>
#include <QToolButton>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "songsmith/app/ui/tests/main_window_fixture.h"
#include "platform/wait_clock.h"
#include "platform/wave_out_null.h"
#include "songsmith/app/ui/bottom_container_window.h"
#include "songsmith/player/play_source.h"
#include "songsmith/player/song_player.h"
#include "songsmith/session/track_list.h"
#include "songsmith/player/ui/player_panel.h"
#include "testsupport/fake_ui_services.h"
#include "testsupport/gui_input.h"
#include "testsupport/temp_dir.h"

namespace paneltest {

inline std::int64_t g_now = 0;
inline void FakeSleep(std::uint32_t ms) {
    g_now += ms;
}
inline std::int64_t FakeNow() {
    return g_now;
}

// Rows of songs, each with a serial; plays a row as the session list does
// and answers for the next song in row order (wrapping).
class CStandInSession {
public:
    explicit CStandInSession(CSongPlayer& player) : player_(player) {}
    void Add(std::string path, int serial) { rows_.push_back({std::move(path), serial}); }
    // A double-click on row (0-based).
    bool PlayRow(int row);
    bool PlayNext(bool random, int currentSerial, bool forward);
    // The row whose serial the player plays; -1 when none.
    int PlayingRow();

private:
    struct TRow {
        std::string path;
        int serial;
    };
    CSongPlayer& player_;
    std::vector<TRow> rows_;
};

class PlayerPanelTest : public MainWindowFixture {
protected:
    // CD quality in buffers of 100 ms, four of them.
    static constexpr std::int32_t kBufferMs = 100;

    void SetUp() override;
    void TearDown() override;

    // Builds the player (on the missing-card stand-in when noCard is set)
    // and the window, and binds the panel.
    void Start(bool noCard = false);
    // A WAV song of ms milliseconds whose title is its file name.
    std::string Song(const std::string& title, std::uint32_t ms);
    // The clock moves on in steps of 100 ms; after each step the device
    // plays, the engine mixes, the worker takes a pass and the posted
    // messages are delivered.
    void Advance(std::int32_t ms);
    // Worker passes until the player plays what was asked last (at most a
    // few), with the messages delivered.
    void Load();
    // Plays until the panel shows another song (at most limitMs).
    void PlayUntilChange(std::int32_t limitMs);

    CPlayerPanel& Panel() { return *main_->BottomBand()->Player(); }
    QWidget* PanelWindow() { return Panel().Window(); }
    QSlider* Slider() {
        return testsupport::FindControl<QSlider>(PanelWindow(), CPlayerPanel::kSlider);
    }
    void Click(int id);
    // The time line after the time timer's tick.
    std::string TimeNow();
    std::string Logged();

    testsupport::TempDir dir_;
    std::string logPath_;
    TWaitClock realClock_{};
    CNullWaveOutBackend null_{FakeNow, false};
    IWaveOutBackend* previousBackend_ = nullptr;
    std::unique_ptr<testsupport::CFakeUiServices> ui_;
    std::unique_ptr<CTrackList> tracks_;
    std::unique_ptr<CSongPlayer> player_;
    std::unique_ptr<CStandInSession> session_;
};

}  // namespace paneltest
