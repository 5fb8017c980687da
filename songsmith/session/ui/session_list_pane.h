#pragma once
// CSessionListPane: the pane of the main window that shows the session list
// (songsmith/session/session_list.h), one row per track: the list (1019), the
// totals box (1052), the move up, move down and delete buttons (1049, 1051,
// 1050) and the title strip (1035). It draws what the session list tells it
// and hands the user's clicks, drags, keys and menu choices back.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/session/session_list_view.h"

class CPreferences;
class CSessionList;
class CSessionRowsModel;
class CTrackList;
class CUndoMgr;
class QLabel;
class QTableView;
class QTimer;
class QToolButton;

// What the pane works with; a null list unbinds it.
struct TSessionPaneBinding {
    CSessionList* list = nullptr;
    CTrackList* tracks = nullptr;
    CPreferences* prefs = nullptr;
    CUndoMgr* undo = nullptr;
    // The main window's command router: the context menus' items go there.
    std::function<void(int command)> command;
    // Lets a playing player take a changed track volume.
    std::function<void()> refreshGain;
};

class CSessionListPane final : public ISessionListView {
public:
    static constexpr int kMinWidth = 280;
    static constexpr int kMinHeight = 200;
    static constexpr int kDialogId = 107;
    static constexpr int kList = 1019;
    static constexpr int kTotals = 1052;
    static constexpr int kMoveUp = 1049;
    static constexpr int kMoveDown = 1051;
    static constexpr int kDelete = 1050;
    static constexpr int kTitleStrip = 1035;
    static constexpr int kTitleStripHeight = 14;
    static constexpr int kScrollTimerId = 1008;
    static constexpr int kScrollTimerMs = 150;
    static constexpr int kRowMenu = 178;
    static constexpr int kEmptyAreaMenu = 177;

    CSessionListPane();
    ~CSessionListPane() override;
    CSessionListPane(const CSessionListPane&) = delete;
    CSessionListPane& operator=(const CSessionListPane&) = delete;

    bool Create(QWidget* parent, int x, int y, int width, int height);
    QWidget* Window() const { return window_; }
    int GetMinWidth() const { return kMinWidth; }
    int GetMinHeight() const { return kMinHeight; }
    // The session list's window for the program's messages (track changes,
    // play states, the loader's passes): handler takes them while the pane
    // lives.
    void SetMessageHandler(CAppMessageReceiver::THandler handler);
    // Binds the pane to the session list (and the list to the pane); a null
    // list unbinds both.
    void Bind(TSessionPaneBinding binding);

    // Lays the controls out in the pane's area.
    void Reposition(int x, int y, int width, int height);
    // Lays the controls out in the pane's present size.
    void LayOut();
    void SetTitleText(const QString& text);
    // The adjust-volume dialog for the track with serial; false when the
    // pane is not bound.
    bool AdjustTrackVolume(int serial);

    // The default width of each column in the list's font, and the width a
    // divider's double-click toggles a column to.
    int DefaultColumnWidth(int column) const;
    void ToggleColumnWidth(int column);

    // The drag: its state, and one step of the scroll timer (the timer calls
    // it every 150 ms while a drag runs; tests call it directly).
    bool Dragging() const { return dragging_; }
    int DragTarget() const { return dragTarget_; }
    void DragScrollStep();

    // The context menu the pane would open for a click at a point of the
    // list's viewport, built but not shown.
    std::unique_ptr<class QMenu> MakeContextMenu(QPoint viewportPoint);

    // ISessionListView.
    bool InsertRow(int row, int serial) override;
    void DeleteRow(int row) override;
    void DeleteAllRows() override;
    void MoveRow(int from, int to) override;
    void RedrawRows(int first, int last) override;
    void EnsureVisible(int row) override;
    void ShowSelected(int row, bool selected) override;
    void ShowFocus(int row) override;
    void ShowButtons(bool enabled) override;
    void ShowTotals(const std::string& text, bool redrawRows) override;
    void SetClipboardText(const std::string& text) override;
    void ShowWaitCursor(bool on) override;
    int RunAddSongsDialog(bool libraryWording) override;

private:
    class CEvents;
    friend class CEvents;

    void BuildControls();
    // Ends a run of row moves: the view takes the new order once, then the
    // selections shown meanwhile.
    void EndMoves();
    void OnUserSelection();
    bool OnViewportEvent(QEvent* event);
    bool OnListKey(QEvent* event);
    void OnHeaderClick(int column);
    void UpdateCursor(QPoint viewportPoint);
    // The row part at a viewport point: 2 the play mark, 3 the link column,
    // 0 elsewhere; row is set to the row under the point (-1 none).
    int PartAt(QPoint viewportPoint, int& row) const;
    void StartDrag(int row);
    void MoveDrag(QPoint viewportPoint);
    void EndDrag();

    TSessionPaneBinding binding_;
    QPointer<QWidget> window_;
    QPointer<CAppMessageReceiver> receiver_;
    QTableView* table_ = nullptr;
    CSessionRowsModel* model_ = nullptr;
    QLabel* totals_ = nullptr;
    QLabel* strip_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    QToolButton* delete_ = nullptr;
    QTimer* scrollTimer_ = nullptr;
    CEvents* events_ = nullptr;
    // Set while the pane itself changes the view's selection, so the change
    // is not taken for the user's.
    bool showing_ = false;
    // Selections shown during a run of moves, by serial, shown at its end.
    std::vector<std::pair<int, bool>> movedSelections_;
    bool waitCursor_ = false;
    bool dragging_ = false;
    int dragTarget_ = -1;
    QPoint pressPoint_;
    int pressRow_ = -1;
    QPoint dragPoint_;
};
