#include "songsmith/session/ui/session_commands.h"

#include <QAction>
#include <QMainWindow>
#include <ctime>
#include <filesystem>

#include "filekit/path_helpers.h"
#include "songsmith/session/ui/adjust_volume_dialog.h"
#include "songsmith/session/autosave_name.h"
#include "songsmith/session/cd_track.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/library/file_types.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/dialogs/message_boxes.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/session/session_list.h"
#include "songsmith/session/song_actions.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/player/song_player.h"
#include "songsmith/session/track_list.h"
#include "songsmith/app/ui_services.h"
#include "songsmith/find/ui/find_container_window.h"
#include "songsmith/library/ui/library_tab.h"
#include "songsmith/app/ui/main_window.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/dialogs/ui/wait_cursor.h"
#include "utilities/file_system.h"
#include "utilities/ui/product_panel.h"

namespace {

namespace fs = std::filesystem;

// The commands this object carries out. The fader, the player's, the Find
// and Library pages' own, the track's tag and library deletion and the Burn
// command are bound by their owners.
constexpr int kCommands[] = {
    cmd::kOpenSession,
    cmd::kToolbarOpen,
    cmd::kSave,
    cmd::kToolbarSave,
    cmd::kSaveAs,
    cmd::kNewSession,
    cmd::kToolbarNew,
    cmd::kDelete,
    cmd::kCut,
    cmd::kCopy,
    cmd::kPaste,
    cmd::kRemoveAll,
    cmd::kSelectAll,
    cmd::kShuffle,
    cmd::kToolbarShuffle,
    cmd::kCopyTrackInfo,
    cmd::kTrackVolume,
    cmd::kAddTracks,
    cmd::kUndo,
    cmd::kRedo,
    cmd::kOpenTrackFolder,
    cmd::kTrackLinks,
    cmd::kPlayTrack,
    cmd::kRandomPlayback,
    cmd::kContinuousPlayback,
    cmd::kHelp,
    cmd::kProductPage,
    cmd::kMasterVolume,
    cmd::kLocateInLibrary,
    cmd::kLabelProduct,
    cmd::kFirstOtherProduct,
    cmd::kFirstOtherProduct + 1,
    cmd::kFirstOtherProduct + 2,
    cmd::kLastOtherProduct,
    cmd::kFirstRecent,
    cmd::kFirstRecent + 1,
    cmd::kFirstRecent + 2,
    cmd::kFirstRecent + 3,
    cmd::kFirstRecent + 4,
    cmd::kFirstRecent + 5,
    cmd::kFirstRecent + 6,
    cmd::kLastRecent,
};

// The choosers' filters: the keyed name, then the fixed patterns.
std::string Filter(const char* key, const char* shown, const char* patterns) {
    return KeyedText(key) + shown + "|" + patterns + "|";
}

constexpr const char* kSessionExtension = "tps";

// A session file, or any file that is not a playlist, loads as a session.
bool LoadsAsSession(const std::string& path) {
    return HasFileExtension(path.c_str(), kSessionExtension) != 0 || !IsPlaylistFile(path.c_str());
}

std::string FolderOf(const std::string& path) {
    std::string folder = fs::path(path).parent_path().string();
    // Kept without a trailing separator (the root stays "/").
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

template <std::size_t N>
void CopyTo(char (&out)[N], const std::string& text) {
    std::snprintf(out, N, "%s", text.c_str());
}

}  // namespace

CSessionCommands::CSessionCommands(TSessionCommandPartners partners)
    : partners_(std::move(partners)) {}

CSessionCommands::~CSessionCommands() {
    for (const int id : kCommands) partners_.window.SetCommandHandler(id, nullptr);
    partners_.window.SetMenuItemUpdater(nullptr);
}

void CSessionCommands::Bind() {
    for (const int id : kCommands) partners_.window.SetCommandHandler(id, [this, id] { Run(id); });
    partners_.window.SetMenuItemUpdater([this](QAction* item) { UpdateMenuItem(item); });
}

void* CSessionCommands::Owner() const {
    return partners_.window.Window();
}

void CSessionCommands::Run(int id) {
    CSessionList& session = partners_.session;
    switch (id) {
        case cmd::kOpenSession:
        case cmd::kToolbarOpen:
            OnOpen();
            break;
        case cmd::kSave:
        case cmd::kToolbarSave:
            OnSave();
            break;
        case cmd::kSaveAs:
            OnSaveAs();
            break;
        case cmd::kNewSession:
        case cmd::kToolbarNew:
            OnNew();
            break;
        case cmd::kDelete:
            OnDelete();
            break;
        case cmd::kCut:
            if (session.HasSelection()) session.Cut();
            break;
        case cmd::kCopy: {
            CWaitCursor wait;
            if (session.HasSelection()) session.CopySelected();
            break;
        }
        case cmd::kPaste: {
            CWaitCursor wait;
            if (session.ClipboardCount() > 0) session.Paste();
            break;
        }
        case cmd::kRemoveAll:
            OnRemoveAll();
            break;
        case cmd::kSelectAll:
            session.SelectAll(true);
            break;
        case cmd::kShuffle:
        case cmd::kToolbarShuffle:
            session.Shuffle();
            break;
        case cmd::kCopyTrackInfo:
            session.CopyTrackInfoToClipboard();
            break;
        case cmd::kAddTracks:
            OnAddTracks();
            break;
        case cmd::kUndo:
        case cmd::kRedo:
            OnUndoRedo(id == cmd::kRedo);
            break;
        case cmd::kOpenTrackFolder:
            OnOpenTrackFolder();
            break;
        case cmd::kTrackLinks: {
            const int serial = session.FocusedSerial();
            session.OpenTrackLink(serial >= 0 ? serial : session.RowSerial(0));
            break;
        }
        case cmd::kPlayTrack:
            OnPlayTrack();
            break;
        case cmd::kTrackVolume:
            if (const int serial = session.FocusedSerial(); serial >= 0) {
                CAdjustVolumeDlg dialog(partners_.tracks, partners_.undo, session, [this] {
                    if (partners_.player != nullptr) partners_.player->RefreshGain();
                });
                dialog.DoModal(partners_.window.Window(), serial);
            }
            break;
        case cmd::kRandomPlayback:
            partners_.prefs.bRandomPlayback = partners_.prefs.bRandomPlayback == 0 ? 1 : 0;
            break;
        case cmd::kContinuousPlayback:
            partners_.prefs.bContinuousPlayback = partners_.prefs.bContinuousPlayback == 0 ? 1 : 0;
            break;
        case cmd::kHelp:
            GetUiServices().ShowHelpContents();
            break;
        case cmd::kProductPage: {
            char link[kProductLinkSize] = {};
            ProductInfoLink(kProductSongsmith, link);
            GetUiServices().OpenUrl(link);
            break;
        }
        case cmd::kMasterVolume:
            GetUiServices().StartMixerProgram();
            break;
        case cmd::kLocateInLibrary:
            OnLocateInLibrary();
            break;
        default:
            if (id >= cmd::kFirstRecent && id <= cmd::kLastRecent) {
                OnRecent(id - cmd::kFirstRecent);
            } else if (id == cmd::kLabelProduct ||
                       (id >= cmd::kFirstOtherProduct && id <= cmd::kLastOtherProduct)) {
                OnProduct(id);
            }
            break;
    }
}

bool CSessionCommands::AskToSave() {
    if (!partners_.tracks.IsDirty()) return true;
    const std::string caption = KeyedText("Ses_DirtyTitle");
    const std::int32_t answer =
        ShowMessageKey(Owner(), "Ses_Dirty", MB_YESNOCANCEL | MB_ICONQUESTION, caption.c_str());
    if (answer == IDNO) return true;
    if (answer != IDYES) return false;
    partners_.window.OnCommand(cmd::kSave);
    // A cancelled or failed save keeps the session as it was.
    return !partners_.tracks.IsDirty();
}

void CSessionCommands::ClearSession() {
    partners_.session.RemoveAll(false);
    partners_.undo.ClearUndoHistory();
}

void CSessionCommands::OnOpen() {
    if (!AskToSave()) return;
    TFileChooserRequest request;
    request.open = true;
    request.filter = Filter("FileTypeOpen", " (*.tps,*.m3u,*.pls)", "*.tps;*.m3u;*.pls;*.pl");
    request.title = KeyedText("FindTPS");
    request.defaultExtension = kSessionExtension;
    request.initialFolder = partners_.prefs.lastSessionDir;
    const std::vector<std::string> chosen = GetUiServices().ChooseFile(Owner(), request);
    if (chosen.empty()) return;
    CopyTo(partners_.prefs.lastSessionDir, FolderOf(chosen.front()));
    OpenPath(chosen.front(), false);
}

void CSessionCommands::OpenPath(const std::string& path, bool fromRecent) {
    CSessionList& session = partners_.session;
    CTrackList& tracks = partners_.tracks;
    if (LoadsAsSession(path)) {
        // The file's tracks join behind the session's, or, when it does not
        // load, none do; only then do the session's own tracks go. A file
        // that fails leaves the session, and its undo history, as they were.
        std::vector<int> previous;
        tracks.Lock();
        for (int i = 0; i < tracks.GetCount(); ++i) previous.push_back(tracks.GetAt(i)->GetSerial());
        tracks.Unlock();
        bool loaded = false;
        {
            CWaitCursor wait;
            loaded = tracks.LoadSession(path.c_str());
        }
        if (loaded) {
            for (const int serial : previous) session.RemoveTrack(serial, false);
            partners_.undo.ClearUndoHistory();
            session.RebuildRows();
            tracks.SetSessionName(path.c_str());
            tracks.SetDirty(false);
            session.RefreshSessionState();
        } else {
            ShowFileMessageKey(Owner(), "Ses_FailedToLoad", path, MB_OK | MB_ICONWARNING);
        }
        // Open names only the sessions that loaded; a recent entry moves
        // up either way.
        if (loaded || fromRecent) partners_.window.AddRecentSession(path.c_str());
    } else {
        ClearSession();
        if (fromRecent) tracks.SetSessionName("");
        session.AddSongFile(path.c_str(), true);
        partners_.window.AddRecentSession(path.c_str());
    }
    partners_.window.UpdateTitle();
}

void CSessionCommands::OnSave() {
    CTrackList& tracks = partners_.tracks;
    if (!tracks.IsDirty()) return;
    const std::string name = tracks.GetSessionName();
    const std::string tempFolder = partners_.prefs.Marovelle_Temp_Dir;
    // A session named after a file of the temporary folder (an automatic
    // save) is saved under a name of the user's choice instead.
    const bool inTempFolder =
        !tempFolder.empty() && name.compare(0, tempFolder.size(), tempFolder) == 0;
    if (name.empty() || inTempFolder) {
        OnSaveAs();
        return;
    }
    if (!tracks.SaveSession(name.c_str())) ShowFileMessageKey(Owner(), "Ses_FailedToSave", name, MB_OK | MB_ICONWARNING);
}

void CSessionCommands::OnSaveAs() {
    TFileChooserRequest request;
    request.open = false;
    request.filter = Filter("FileTypeSave", " (*.tps)", "*.tps");
    request.title = KeyedText("SaveTPS");
    request.defaultExtension = kSessionExtension;
    request.initialFolder = partners_.prefs.lastSessionDir;
    request.proposedName = CTrackList::MakeDefaultSessionName();
    const std::vector<std::string> chosen = GetUiServices().ChooseFile(Owner(), request);
    if (chosen.empty()) return;
    std::string path = chosen.front();
    if (fs::path(path).extension().empty()) path += std::string(".") + kSessionExtension;
    if (!partners_.tracks.SaveSession(path.c_str())) {
        ShowFileMessageKey(Owner(), "Ses_FailedToSave", path, MB_OK | MB_ICONWARNING);
        return;
    }
    partners_.window.AddRecentSession(path.c_str());
    partners_.tracks.SetSessionName(path.c_str());
    CopyTo(partners_.prefs.lastSessionDir, FolderOf(path));
    partners_.window.UpdateTitle();
}

void CSessionCommands::OnNew() {
    if (!AskToSave()) return;
    ClearSession();
    partners_.tracks.SetSessionName("");
    partners_.window.UpdateTitle();
}

void CSessionCommands::OnRecent(int entry) {
    if (!AskToSave()) return;
    const char* listed = partners_.prefs.RecentFiles.Index(entry);
    if (listed == nullptr) return;
    const std::string path = listed;
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        const std::string caption = KeyedText("Ses_FileNotFound_Title");
        ShowMessageKey(Owner(), "Ses_FileNotFound", MB_OK | MB_ICONINFORMATION, caption.c_str());
        return;
    }
    OpenPath(path, true);
}

void CSessionCommands::OnAddTracks() {
    TFileChooserRequest request;
    request.open = true;
    request.multiSelect = true;
    request.filter = Filter("FileTypeAdd", " (*.mp3, *.m3u, *.pls, *.wav, *.wma)",
                            "*.mp3;*.mp2;*.mp1;*.m3u;*.pls;*.pl;*.wav;*.wma");
    request.title = KeyedText("AddSound");
    request.initialFolder = partners_.prefs.lastAddSoundDir;
    // The chooser hands back every chosen name, however many.
    const std::vector<std::string> chosen = GetUiServices().ChooseFile(Owner(), request);
    if (chosen.empty()) return;
    CSessionList& session = partners_.session;
    partners_.undo.NextUndoSet();
    CWaitCursor wait;
    CopyTo(partners_.prefs.lastAddSoundDir, FolderOf(chosen.front()));
    bool added = false;
    std::vector<std::string> songs;
    for (const std::string& path : chosen) {
        if (!IsAddableFile(path.c_str())) continue;
        if (IsPlaylistFile(path.c_str())) {
            added = session.AddSongFile(path.c_str(), true) || added;
        } else {
            songs.push_back(path);
        }
    }
    if (!songs.empty()) added = session.AddSongsWithProgress(songs, true, false) != 0 || added;
    if (!added) return;
    partners_.tracks.SetDirty(true);
    session.SetChangedSinceConversion(true);
}

void CSessionCommands::OnDelete() {
    CWaitCursor wait;
    CSessionList& session = partners_.session;
    if (!session.HasSelection()) return;
    CTrackList& tracks = partners_.tracks;
    tracks.Lock();
    const int focused =
        session.FocusedSerial() >= 0 ? tracks.FindBySerial(session.FocusedSerial()) : -1;
    tracks.Unlock();
    session.DeleteSelected();
    const int count = session.RowCount();
    if (count == 0) return;
    // The row now at the current row's place (the last when it was past
    // the end), or the first when there was no current row.
    const int row = focused < 0 ? 0 : std::min(focused, count - 1);
    session.SelectAll(false);
    session.SelectTrack(session.RowSerial(row));
}

void CSessionCommands::OnRemoveAll() {
    CSessionList& session = partners_.session;
    partners_.undo.NextUndoSet();
    session.AddShowFocusedTrackAtom();
    session.RemoveAll(true);
    session.AddClearSelectionAtom();
}

void CSessionCommands::OnUndoRedo(bool redo) {
    {
        CWaitCursor wait;
        CUndoMgr& undo = partners_.undo;
        if (redo && undo.CanRedo() != 0) undo.Redo();
        if (!redo && undo.CanUndo() != 0) undo.Undo();
    }
    partners_.session.RefreshSessionState();
}

std::string CSessionCommands::FocusedTrackPath() {
    const int serial = partners_.session.FocusedSerial();
    if (serial < 0) return {};
    CTrackList& tracks = partners_.tracks;
    tracks.Lock();
    const CCDTrack* track = tracks.GetAt(tracks.FindBySerial(serial));
    std::string path = track != nullptr ? track->GetPath() : std::string();
    tracks.Unlock();
    return path;
}

void CSessionCommands::OnOpenTrackFolder() {
    const std::string path = FocusedTrackPath();
    if (!path.empty()) GetUiServices().OpenFolder(FolderOf(path).c_str());
}

void CSessionCommands::OnPlayTrack() {
    const int serial = partners_.session.FocusedSerial();
    if (serial >= 0) partners_.session.PlayOrStopTrack(serial);
}

void CSessionCommands::OnLocateInLibrary() {
    const std::string path = FocusedTrackPath();
    if (path.empty()) return;
    // The Library page command then shows the pane with the Library page.
    partners_.prefs.ShowFindSoundsWindow = 0;
    partners_.window.OnCommand(cmd::kLibraryPage);
    CFindContainerWindow* pane = partners_.window.TabPane();
    if (CLibraryTab* library = pane != nullptr ? pane->GetLibraryTab() : nullptr)
        library->LocateSongByPath(path.c_str());
}

std::string CSessionCommands::FirstTrackName() {
    CTrackList& tracks = partners_.tracks;
    tracks.Lock();
    std::string name;
    if (tracks.GetCount() > 0)
        name = std::string(tracks.GetAt(0)->GetMusicInfo().displayText) + " ";
    tracks.Unlock();
    return name;
}

void CSessionCommands::OnProduct(int id) {
    const int code = CMainWindow::ProductCodeOfCommand(id);
    auto* owner = static_cast<QWidget*>(Owner());
    if (code == 0) return;
    if (ProductInstalled(code) == 0) {
        ProductShowAdvertisement(owner, code);
        return;
    }
    std::string argument;
    if (id == cmd::kLabelProduct) {
        CTrackList& tracks = partners_.tracks;
        if (tracks.IsDirty()) {
            const std::string caption = KeyedText("Ses_DirtyTitle");
            const std::int32_t answer = ShowMessageKey(
                Owner(), "Ses_DirtyLabel", MB_YESNOCANCEL | MB_ICONQUESTION, caption.c_str());
            if (answer != IDYES && answer != IDNO) return;
            if (answer == IDYES) partners_.window.OnCommand(cmd::kSave);
        }
        if (tracks.IsDirty()) {
            // The product reads the session as it stands; the user's own
            // file and the modified flag stay as they were.
            std::vector<char> safe(FirstTrackName().size() + 1);
            ValidateFileName(FirstTrackName().c_str(), safe.data(), safe.size(), '_');
            argument = std::string(partners_.prefs.Marovelle_Temp_Dir) + "/" + safe.data() + ".tps";
            tracks.SaveSession(argument.c_str());
            tracks.SetDirty(true);
        } else {
            argument = tracks.GetSessionName();
        }
    }
    ProductExecute(code, argument.c_str(), owner);
}

void CSessionCommands::AutoSaveSession() {
    const std::time_t now = partners_.clock ? partners_.clock() : std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    const std::string text = KeyedText("AutoSave");
    const std::string path =
        MakeAutoSavePath(partners_.prefs.Marovelle_Temp_Dir, FirstTrackName(), utc, text);
    CTrackList& tracks = partners_.tracks;
    const bool wasDirty = tracks.IsDirty();
    if (tracks.SaveSession(path.c_str()) && wasDirty)
        partners_.window.AddRecentSession(path.c_str());
    tracks.SetDirty(wasDirty);
}
