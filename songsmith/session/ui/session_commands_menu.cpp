// The states of the session's menu items, set each time a menu opens.
#include <QAction>

#include "songsmith/app/command_ids.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_list.h"
#include "songsmith/player/song_player.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/session/ui/session_commands.h"
#include "utilities/undo_manager.h"

namespace {

void SetTextAndState(QAction* item, const char* key, bool enabled) {
    item->setText(ProgString(key));
    item->setEnabled(enabled);
}

void SetChecked(QAction* item, bool checked) {
    item->setCheckable(true);
    item->setChecked(checked);
}

}  // namespace

void CSessionCommands::UpdateMenuItem(QAction* item) {
    CSessionList& session = partners_.session;
    const int rows = session.RowCount();
    const bool playing = partners_.player != nullptr && partners_.player->IsPlaying();
    const int found = partners_.foundSongs ? partners_.foundSongs() : 0;
    switch (item->data().toInt()) {
        case cmd::kDelete:
            SetTextAndState(item, "MUE_Delete", session.HasSelection());
            break;
        case cmd::kPlay:
            if (playing)
                SetTextAndState(item, "MUP_Stop", true);
            else
                SetTextAndState(item, "MUP_Play", found > 0 || rows > 0);
            break;
        case cmd::kFastForward:
        case cmd::kRewind:
            item->setEnabled(playing);
            break;
        case cmd::kShuffle:
            item->setEnabled(rows >= 2);
            break;
        case cmd::kRandomPlayback:
            SetChecked(item, partners_.prefs.bRandomPlayback != 0);
            break;
        case cmd::kContinuousPlayback:
            SetChecked(item, partners_.prefs.bContinuousPlayback != 0);
            break;
        case cmd::kCut:
            SetTextAndState(item, "MUE_Cut", session.HasSelection());
            break;
        case cmd::kCopy:
            SetTextAndState(item, "MUE_Copy", session.HasSelection());
            break;
        case cmd::kPaste:
            SetTextAndState(item, "MUE_Paste", session.ClipboardCount() > 0);
            break;
        case cmd::kRemoveAll:
            SetTextAndState(item, "MUC_DeleteAll", rows > 0);
            break;
        case cmd::kSelectAll:
            SetTextAndState(item, "MUE_SelectAll", rows > 0);
            break;
        case cmd::kCopyTrackInfo:
            SetTextAndState(item, "MUE_CopyTrackInfo", rows > 0);
            break;
        case cmd::kFader:
        case cmd::kToolbarFader:
            item->setText(ProgString("MUC_Fader"));
            break;
        case cmd::kOpenTrackFolder:
            SetTextAndState(item, "MUC_Folder", session.HasSelection());
            break;
        case cmd::kTrackLinks:
            SetTextAndState(item, "MUC_Links", session.HasSelection());
            break;
        case cmd::kTrackVolume:
            SetTextAndState(item, "MUC_TrackVol", session.HasSelection());
            break;
        case cmd::kTrackEditTag:
            SetTextAndState(item, "MUC_EditTag", session.HasSelection());
            break;
        case cmd::kTrackLibDelete:
            SetTextAndState(item, "MUC_LibDelete", session.HasSelection());
            break;
        case cmd::kAddAllFound:
            item->setEnabled(found > 0);
            break;
        case cmd::kPlayTrack: {
            const int serial = session.FocusedSerial();
            item->setText(ProgString(
                serial >= 0 && session.PlayingSerial() == serial ? "MUP_Stop" : "MUP_Play"));
            break;
        }
        case cmd::kUndo:
            SetTextAndState(item, "MUE_Undo", partners_.undo.CanUndo() != 0);
            break;
        case cmd::kRedo:
            SetTextAndState(item, "MUE_Redo", partners_.undo.CanRedo() != 0);
            break;
        default:
            break;
    }
}
