#pragma once
// CLibraryTab: the Library page of the tab pane. It shows the song store as
// one tree with two branches, "Browse by Artist" (artist, album, song) and
// "Browse by Genre" (genre, song), and the special folders "<Trash>",
// "<Untagged>" and "<No Genre>". The page keeps a node tree that mirrors
// the store (songsmith/library/library_nodes.h); each change is written to the store and
// applied to the nodes in the same step, and the rows follow the nodes.
// Checking a song adds it to the session list; a song row plays it.
// Everything runs on the main thread.

#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "songsmith/library/library_nodes.h"
#include "songsmith/library/library_rows.h"
#include "songsmith/session/song_entry.h"
#include "songsmith/app/ui/tab_page.h"

class CAppMessageReceiver;
class CLibraryImport;
class CUndoAtom;
struct TSVT_Song;
struct TTagBlock;
class CPreferences;
class CProgressWindow;
class CLibTreeView;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
struct TAppMessage;

// Controls of the page, by id.
inline constexpr int kLibTreeId = 1258;
inline constexpr int kLibCountId = 1350;
inline constexpr int kLibImportId = 1362;
inline constexpr int kLibFolderTextId = 1481;
// The import button's images while idle and while importing.
inline constexpr int kLibImportImage = 245;
inline constexpr int kLibStopImage = 246;

class CLibraryTab : public CTabPage {
public:
    static constexpr int kTemplateWidth = 240;
    static constexpr int kTemplateHeight = 300;
    static constexpr int kImportButtonWidth = 58;
    static constexpr int kImportButtonHeight = 46;

    // prefs may be null (tests of the bare page): nothing is saved then.
    explicit CLibraryTab(CPreferences* prefs = nullptr);
    ~CLibraryTab() override;

    void Reposition(int x, int y, int width, int height) override;
    void SetSongPlayState(const char* path, bool playing) override;
    std::intptr_t OnCommand(int id) override;
    void UpdateMenuItem(QAction* item) override;
    // Builds the page and loads the tree from the program's song store.
    bool Create(QWidget* parent, int x, int y, int width, int height);
    // Sets the check mark of the node of that kind and id (songs, folders),
    // marks only: the undo of a check-mark change.
    virtual void SetCheckMark(std::uint32_t kind, std::int32_t id, int value);

    // The library import (songsmith/library/library_import.h). Import starts one and
    // returns once its set-up is done; KillImportThread stops a running one
    // and waits for its thread.
    void Import();
    // Asks about the first import when none was made yet and the user has
    // accepted the agreement (a search of the computer waits for that).
    void OfferInitialImport();
    bool IsImporting() const;
    void KillImportThread();
    // The import's thread, for tests (null without a song store).
    CLibraryImport* Importer() const { return importer_.get(); }

    // Plays the song after (previous: before) the one with this path, or one
    // at random; true when one was started.
    bool PlayNextSong(bool random, const char* path, bool previous);
    // Makes the song current and its row the clicked row, in view.
    void LocateSongByPath(const char* path);
    // Redraws the song's rows, inserting those missing.
    void RefreshSongByPath(const char* path);
    // The session list's adding imported this song: its node is marked.
    void MarkImportedSong(const char* path);

    // Checking (mode 0 clear, 1 set, 2 toggle); quiet flips the marks only.
    bool OnSelect(CLibNode* node, int mode, bool quiet);
    // Plays the node's song, or stops it when it is the one playing.
    void OnPlayStop(CLibNode* node);

    // Rows from nodes.
    void PopulateTree();
    void RefreshNode(CLibNode* node);
    void UnpopulateItem(CLibNode* node);
    // The node of a tree row and the row of a node.
    static CLibNode* NodeOfItem(const QTreeWidgetItem* item);
    static bool IsGenreRow(const QTreeWidgetItem* item);
    static QTreeWidgetItem* ItemOfRow(TLibRow row);

    // The clicked row (the page's current node and which of its rows).
    void SetClickedRow(TLibRow row) { clicked_ = row; }
    TLibRow ClickedRow() const { return clicked_; }
    CLibNode* PlayingNode() const { return playing_; }
    // Menu 180 with its items' texts and states set.
    std::unique_ptr<QMenu> MakeContextMenu();

    CLibraryNodes& Nodes() { return nodes_; }
    QTreeWidget* Tree() const;
    // The tree's drawing and mouse handling.
    CLibTreeView* TreeView() const { return treeView_; }
    // The songs collected by the last check, in byte order of their names.
    const std::vector<CLibNode*>& CheckSelection() const { return checkSelection_; }

    // What the page hands to the parts that import and edit the library;
    // empty until those parts fill them.
    struct THooks {
        std::function<void()> emptyTrash;
        std::function<void(CLibNode* node)> editTag;
        std::function<void(CLibNode* node)> deleteNode;
        std::function<void()> undeleteAll;
        std::function<void()> cleanLibrary;
        std::function<void(const char* path)> editTagByPath;
        std::function<void(const char* path, bool permanently)> deleteSongByPath;
    };
    THooks hooks;

    // Edits of the song store and the tree (library_tab_edits.cpp,
    // library_tab_trash.cpp). Each writes the store first, then the nodes
    // and rows; undo set records undo atoms in the program's history. Null
    // texts leave a field as it is; year and genre -1 likewise.
    void ChangeArtistTag(CLibNode* artist, const char* name, bool undo);
    void ChangeAlbumTag(CLibNode* album, const char* artist, const char* name, int year, int genre, bool undo);
    void ChangeGenreTag(CLibNode* genre, int number, bool undo);
    // The song file's tag takes the fields that differ from tagBefore (the
    // record before the whole edit; null: the record as this call finds it).
    void ChangeSongTag(CLibNode* song, const char* artist, const char* album, const char* title, const char* path,
                       int year, int genre, bool undo, bool makeFolders, const TSVT_Song* tagBefore = nullptr);
    void ChangeSongParents(CLibNode* song, const char* artist, const char* album, bool makeFolders, bool retag,
                           bool undo);
    // The song loses its artist and album and goes under "<Untagged>".
    void DeleteTag(CLibNode* song, bool undo);
    // The tag dialog of the node's kind; OK applies it as one undo step.
    void OnEdit(CLibNode* node);
    // Into the trash, a folder song by song. True when done.
    bool ThrowAway(CLibNode* node, bool deleteFolders);
    // A song in the trash: deleted from the store, or restored (to its
    // folders unless keepPlace).
    void DeleteTrashItem(CLibNode* node, bool remove, bool keepPlace);
    void EmptyTrash();
    // Removes the songs whose files are gone.
    void RemoveMissingSongs();
    // A folder left without children goes too: its record as well when
    // remove is set, else only its node.
    void DeleteEmptyFolder(CLibNode* folder, bool remove);
    // Rows, lists and node (and every node below it) go.
    void DestroyNode(CLibNode* node);
    void DeleteSongByPath(const char* path, bool permanently);
    void EditTagByPath(const char* path);
    // The undo history's callbacks: each applies without recording.
    void ApplyTagChange(std::uint32_t kind, std::int32_t id, const TTagBlock& apply,
                        const TTagBlock& other);
    void ApplySongParents(std::uint32_t kind, std::int32_t id, const char* artist, const char* album);
    void AddNode(std::uint32_t kind, std::int32_t id, std::uint32_t parentKind, std::int32_t parentId);
    void ThrowAwayNode(std::uint32_t kind, std::int32_t id);
    // The Empty Trash dialog's last choice (1 until one is made).
    int emptyTrashChoice = 1;
    // Runs the Empty Trash dialog with the last choice; its result.
    std::function<int(int& choice)> askEmptyTrash;
    // Opens the Preferences dialog at the page the preferences name.
    std::function<void()> openPreferences;
    // Loads a song file before it is played or added; the entry's loader
    // unless a test puts another.
    std::function<bool(const char* path, CSongEntry& entry)> songLoader;
    // The random source of PlayNextSong.
    std::mt19937 random{std::random_device{}()};

private:
    QWidget* BuildWindow(QWidget* parent);
    void LayOutControls(int width, int height);
    void LoadNodeList();
    std::intptr_t OnMessage(TAppMessage& message);
    void OnRipTrackDone(TAppMessage& message);
    void OnImportFoundSong(TAppMessage& message);
    void OnKnownDir(TAppMessage& message);
    void OnCurrentDir(TAppMessage& message);
    void OnImportFinished();
    void OnImportButton();
    // The main window's status bar (text may be null) and title.
    void PostImportState(const char* statusKey);
    void OnPlayStateChanged(const TAppMessage& message);
    void ShowSongCount();
    void ShowFolderText(const char* folder);
    void SetImportImage(int image);
    // Asks about a song file that is gone; Yes cleans the library once the
    // event that asked is over (PostCleanLibrary).
    void WarnMissingSong(const char* path);
    void PostCleanLibrary();
    void CleanLibrary();
    void OpenContainingFolder(const CLibNode* node);
    void AskCleanLibrary();
    void OnSelectCommand(CLibNode* node);
    void AddCheckedSongsToSession();
    bool LoadSong(const char* path);
    void SetParentMark(CLibNode* node);
    // Rows.
    void PopulateItem(CLibNode* node);
    QTreeWidgetItem* MakeItem(CLibNode* node, bool genreRow);
    void UpdateItem(QTreeWidgetItem* item);
    void RedrawRows(CLibNode* node);
    // Rows are made only under folders that show their children (the top
    // rows always): a folder's children get rows when it opens.
    static bool ShowsChildRows(const CLibNode* folder);
    void FillChildRows(CLibNode* folder);
    // Opens the folder's row, making its children's rows.
    void ExpandRow(CLibNode* folder);
    // The row, made (with the rows of the folders above it) when missing.
    QTreeWidgetItem* EnsureRow(TLibRow row);
    // A folder's missing row, where its own folder shows its children.
    void MakeFolderRow(CLibNode* folder);
    // Deletes one of the node's rows (and the rows below it).
    void DropRow(CLibNode* node, bool genreRow);
    void OnItemExpanded(QTreeWidgetItem* item, bool expanded);

    // Edits (library_tab_edits.cpp, library_tab_trash.cpp).
    void BindEdits();
    void RecordUndo(CUndoAtom& atom, bool undo);
    void MoveSong(CLibNode* song, CLibNode* folder, bool removeFolders);
    // The song joins genre's songs; a genre it leaves empty goes.
    void RelinkGenre(CLibNode* song, CLibNode* genre);
    void TakeOutOfTree(CLibNode* node, bool removeFolders);
    void ForgetNode(const CLibNode* node);
    // The file's tag, the session's track and the Find page's row of the
    // song as before names it take the changed record.
    void WriteTagOutward(const TSVT_Song& before, const TSVT_Song& song, const char* logLine);
    void WarnUnwrittenTags();
    CLibNode* RestoreParent(const TSVT_Song& song);
    // Files whose tags could not be written during the current action, and
    // how deep the actions are nested (the outermost one warns).
    std::vector<std::string> unwrittenTags_;
    int editDepth_ = 0;
    friend class CEditAction;
    friend class CLibTreeView;

    CPreferences* prefs_;
    CLibraryNodes nodes_;
    CSongEntry entry_;
    std::vector<CLibNode*> checkSelection_;
    TLibRow clicked_;
    CLibNode* playing_ = nullptr;
    std::string lastPlayedPath_;
    // Songs the session list's adding imported, before their nodes exist.
    std::unordered_set<std::string> pendingMarks_;
    bool populating_ = false;
    // A clean of the library is on its way to the page.
    bool cleanPosted_ = false;
    QPointer<QTreeWidget> tree_;
    // Owned by the tree.
    CLibTreeView* treeView_ = nullptr;
    QPointer<QLabel> strip_;
    QPointer<QLabel> count_;
    QPointer<QLabel> folderText_;
    QPointer<QPushButton> import_;
    QPointer<CAppMessageReceiver> receiver_;
    std::unique_ptr<CLibraryImport> importer_;
    // The running import was stopped by the user, not finished.
    bool importStopped_ = false;
};
