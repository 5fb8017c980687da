#pragma once
// What the session list's pane shows, as the session list tells it. The
// session list keeps the rows (one per track, each naming the track by its
// serial), the selection, the focus and the totals; the pane draws them and
// hands the user's clicks back. Rows are numbered as the tracks are.

#include <string>

class ISessionListView {
public:
    virtual ~ISessionListView() = default;

    // A row for the track with serial at row; false when the row could not
    // be made (the session list then takes the track out again).
    virtual bool InsertRow(int row, int serial) = 0;
    virtual void DeleteRow(int row) = 0;
    virtual void DeleteAllRows() = 0;
    // The row at from now stands at to (the rows between shift by one).
    virtual void MoveRow(int from, int to) = 0;
    // Draws rows first to last (inclusive) anew.
    virtual void RedrawRows(int first, int last) = 0;
    // Scrolls by whole rows so that row lies inside the visible page.
    virtual void EnsureVisible(int row) = 0;
    // Shows the row as selected or not.
    virtual void ShowSelected(int row, bool selected) = 0;
    // Gives the row the keyboard focus (-1: none) and focuses the list.
    virtual void ShowFocus(int row) = 0;
    // The move up, move down and delete buttons' pictures: enabled or not.
    virtual void ShowButtons(bool enabled) = 0;
    // The totals picture's text; with redrawRows every row is drawn anew.
    virtual void ShowTotals(const std::string& text, bool redrawRows) = 0;
    // Puts text on the system clipboard.
    virtual void SetClipboardText(const std::string& text) = 0;
    // The wait cursor on or off.
    virtual void ShowWaitCursor(bool on) = 0;
    // Runs the add-songs progress dialog over the session list's add list
    // (title and progress wording of the library when libraryWording), which
    // calls CSessionList::AddListTick until it answers false or the user
    // stops (CSessionList::StopAddList), then CSessionList::FinishAddList;
    // returns that result.
    virtual int RunAddSongsDialog(bool libraryWording) = 0;
};
