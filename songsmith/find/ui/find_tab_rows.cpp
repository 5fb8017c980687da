// The Find page's rows at work: playing and marking them by click, all of
// them at once, the player's next song from them, following the player's
// song, tag edits made in the Library page, and sorting.
#include <strings.h>

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "filekit/log.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/player/play_source.h"
#include "songsmith/session/song_actions.h"
#include "songsmith/find/ui/find_rows_model.h"
#include "songsmith/find/ui/find_tab.h"
#include "songvault/records.h"

namespace {

template <std::size_t N>
void CopyText(char (&out)[N], const char* text) {
    std::snprintf(out, N, "%s", text);
}

}  // namespace

void CFindTab::SetHotRow(int row, bool playZone) {
    const TFoundRow* found = model_->RowAt(row);
    hotSerial_ = found != nullptr ? static_cast<long>(found->entry.serial) : -1;
    hotPlayZone_ = found != nullptr && playZone;
}

int CFindTab::HotRow() const { return model_->RowOfSerial(hotSerial_); }

int CFindTab::ClickedRow() const { return model_->RowOfSerial(clickedSerial_); }

void CFindTab::OnRowClick(int row, bool playZone) {
    TFoundRow* found = model_->RowAt(row);
    if (found == nullptr) return;
    SetHotRow(row, playZone);
    const int before = ClickedRow();
    clickedSerial_ = static_cast<long>(found->entry.serial);
    model_->RowChanged(before);
    model_->RowChanged(row);
    // An unusable row is neither played nor marked.
    if (found->unusable) return;
    if (playZone) {
        PlayOrStopRow(row);
    } else {
        ToggleMark(row);
    }
}

void CFindTab::PlayOrStopRow(int row) {
    SetPlaySource(kPlaySourceFind);
    TFoundRow* found = model_->RowAt(row);
    if (found == nullptr) return;
    if (model_->PlayingRow() == row) {
        CSongEntry entry = found->entry;
        model_->SetPlayingSerial(-1);
        DoSongAction(kSongListFind, kSongActionStop, 0, 0, &entry);
        model_->RowChanged(row);
        return;
    }
    const int before = model_->PlayingRow();
    model_->SetPlayingSerial(-1);
    model_->RowChanged(before);
    PlayRow(row);
}

void CFindTab::PlayRow(int row) {
    TFoundRow* found = model_->RowAt(row);
    if (found == nullptr) return;
    // The row shows as playing once the player says its song started.
    CSongEntry entry = found->entry;
    DoSongAction(kSongListFind, kSongActionPlay, 0, 0, &entry);
    model_->RowChanged(row);
}

void CFindTab::ToggleMark(int row) {
    TFoundRow* found = model_->RowAt(row);
    if (found == nullptr) return;
    CSongEntry entry = found->entry;
    if (found->inSession) {
        found->inSession = false;
        DoSongAction(kSongListFind, kSongActionRemove, 0, 0, &entry);
    } else {
        found->inSession = true;
        if (partners.nextUndoSet) partners.nextUndoSet();
        if (!DoSongAction(kSongListFind, kSongActionAdd, 0, 0, &entry)) {
            // The session refused the song: it is drawn unusable.
            if ((found = model_->RowAt(row)) != nullptr) {
                found->inSession = false;
                found->unusable = true;
            }
        }
    }
    model_->RowChanged(row);
}

void CFindTab::SelectAll(bool mark) {
    if (partners.nextUndoSet) partners.nextUndoSet();
    std::vector<std::string> batch;
    Lock();
    const std::vector<TFoundRow>& rows = model_->Rows();
    // Rows that would be added: counted before any is.
    const auto toMark = std::count_if(rows.begin(), rows.end(),
                                      [](const TFoundRow& row) { return !row.inSession && !row.unusable; });
    for (int row = static_cast<int>(rows.size()) - 1; row >= 0; --row) {
        TFoundRow* found = model_->RowAt(row);
        if (found == nullptr) continue;
        CSongEntry entry = found->entry;
        if (mark && !found->inSession && !found->unusable) {
            if (toMark < kSelectAllBatch) {
                const bool added = DoSongAction(kSongListFind, kSongActionAdd, 0, 0, &entry);
                if ((found = model_->RowAt(row)) != nullptr) found->inSession = added;
            } else {
                batch.emplace_back(entry.path);
            }
        } else if (!mark && found->inSession) {
            found->inSession = !DoSongAction(kSongListFind, kSongActionRemove, 0, 0, &entry);
        }
    }
    Unlock();
    // The session marks each song of the batch it adds on the pages.
    if (!batch.empty() && partners.addSongsWithProgress) {
        partners.addSongsWithProgress(batch);
    } else if (list_ != nullptr) {
        list_->viewport()->update();
    }
}

bool CFindTab::PlayNextSong(bool random, const char* path, bool forward) {
    Lock();
    const std::vector<TFoundRow>& rows = model_->Rows();
    int chosen = -1;
    if (random) {
        // Any row of another song, each as likely; none: no next song.
        std::vector<int> others;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (path == nullptr || strcasecmp(rows[i].entry.path, path) != 0) others.push_back(static_cast<int>(i));
        if (!others.empty()) {
            std::uniform_int_distribution<std::size_t> pick(0, others.size() - 1);
            chosen = others[pick(random_)];
        }
    } else if (!rows.empty()) {
        const int count = static_cast<int>(rows.size());
        chosen = model_->RowOfPath(path) + (forward ? 1 : -1);
        if (chosen >= count) chosen = 0;
        if (chosen < 0) chosen = count - 1;
    }
    Unlock();
    if (chosen < 0) return false;
    PlayRow(chosen);
    return true;
}

void CFindTab::OnPlayStateChanged(const TAppMessage& message) {
    const bool started = message.lParam > 0xFFFF;
    const int before = model_->PlayingRow();
    if (started) {
        model_->SetPlayingSerial(-1);
        model_->RowChanged(before);
    }
    std::string path;
    if (partners.songPathOfSound &&
        !partners.songPathOfSound(static_cast<std::uint32_t>(message.lParam & 0xFFFF), path))
        path.clear();
    const int row = path.empty() ? -1 : model_->RowOfPath(path.c_str());
    if (!started) {
        model_->SetPlayingSerial(-1);
        model_->RowChanged(before);
        return;
    }
    const TFoundRow* found = model_->RowAt(row);
    if (found == nullptr) return;
    model_->SetPlayingSerial(static_cast<long>(found->entry.serial));
    model_->RowChanged(row);
    ScrollRowIntoView(row);
}

void CFindTab::ScrollRowIntoView(int row) {
    if (list_ == nullptr) return;
    const int rowHeight = std::max(1, list_->verticalHeader()->defaultSectionSize());
    const int visible = std::max(1, list_->viewport()->height() / rowHeight);
    QScrollBar* bar = list_->verticalScrollBar();
    const int first = bar->value();
    if (row >= first + visible) {
        // Below: it becomes the second-to-last row shown.
        bar->setValue(std::max(0, row - visible + 2));
    } else if (row < first) {
        // Above: one row above it shows too.
        bar->setValue(std::max(0, row - 1));
    }
}

void CFindTab::ChangeSongTag(const char* path, const TSVT_Song& song) {
    if (path == nullptr) return;
    Lock();
    for (int row = 0; row < static_cast<int>(model_->Rows().size()); ++row) {
        TFoundRow* found = model_->RowAt(row);
        if (found == nullptr || strcasecmp(found->entry.path, path) != 0) continue;
        TONECORE_CMusicInfo& info = found->entry.musicInfo;
        CopyText(info.title, song.title);
        CopyText(info.artist, song.artist);
        CopyText(info.album, song.album);
        CopyText(found->entry.path, song.path);
        CopyText(info.path, song.path);
        info.year = song.year;
        info.genreIndex = song.genre;
        model_->RowChanged(row);
    }
    Unlock();
}

void CFindTab::LoadButtonBitmaps() { SetFindImage(IsSearching() ? kFindStopImage : kFindImage); }

void CFindTab::SortByColumn(int column) {
    if (model_->Placeholder()) return;
    sortOrder_.Click(column);
    Lock();
    model_->Sort(sortOrder_);
    Unlock();
}
