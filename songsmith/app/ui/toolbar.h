#pragma once
// CToolbar: the main window's row of buttons (songsmith/app/toolbar_buttons.h). The
// buttons hand their command to the main window; the three page buttons show
// which page of the tab pane is in front. Other parts of the program enable
// and disable buttons by posting TB_ENABLEBUTTON to ReceiverId(), from any
// thread; the toolbar remembers those states, also while it is switched off.

#include <QMainWindow>
#include <QPointer>
#include <QToolBar>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>

#include "songsmith/app/app_message.h"

class CAppMessageReceiver;

class CToolbar {
public:
    struct TCallbacks {
        // Runs a button's command.
        std::function<void(int command)> command;
        // The kind of the page in front (0 Find, 1 CD, 2 Library), -1 while
        // the tab pane is hidden.
        std::function<int()> pageKind;
        // True when the drive library lists at least one drive.
        std::function<bool()> haveDrives;
        // "ShowSmallToolbar".
        std::function<bool()> smallImages;
    };

    explicit CToolbar(TCallbacks callbacks);
    ~CToolbar();
    CToolbar(const CToolbar&) = delete;
    CToolbar& operator=(const CToolbar&) = delete;

    // With create 0 destroys the toolbar (true). Otherwise builds it at the
    // top of parent with every button and shows it.
    bool Create(QMainWindow* parent, int create);
    // Builds the buttons again with fresh states: the page button of the
    // page in front pressed, the CD button only with drives.
    void Refresh();
    // The command's tool-tip text, at most size - 1 bytes; empty for an
    // unknown command.
    void GetTipText(int command, char* out, std::size_t size) const;
    void Destroy();

    QToolBar* Window() const { return window_; }
    TReceiverId ReceiverId() const;
    int Height() const;

private:
    void AddButtons();
    std::intptr_t OnMessage(TAppMessage& message);

    TCallbacks callbacks_;
    QPointer<QToolBar> window_;
    QPointer<QMainWindow> parent_;
    // Buttons disabled by TB_ENABLEBUTTON, kept across rebuilds.
    std::map<int, bool> enabled_;
    std::unique_ptr<CAppMessageReceiver> receiver_;
};
