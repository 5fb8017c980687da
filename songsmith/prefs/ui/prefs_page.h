#pragma once
// CPrefsPage: the base of the preferences dialog's pages. Each page is a
// child widget of the dialog's page holder; the widget hands its events to
// the page object through DlgProc, which routes them to the slots below.
// Pages read the preferences when they open and write them only in Apply,
// which the dialog calls when the user confirms.

#include <QWidget>

class CPrefsDialog;
class QAbstractButton;

// The events a page widget hands on.
enum class EPageMessage { kInitDialog, kCommand, kNotify, kOther };

struct TPageMessage {
    EPageMessage kind = EPageMessage::kOther;
    int control = 0;  // the control's identifier (command, notify)
    int code = 0;     // the notification code (command, notify)
};

class CPrefsPage {
public:
    explicit CPrefsPage(CPrefsDialog& owner) : owner_(owner) {}
    virtual ~CPrefsPage() = default;
    CPrefsPage(const CPrefsPage&) = delete;
    CPrefsPage& operator=(const CPrefsPage&) = delete;

    // A control's command; the base does nothing.
    virtual void OnCommand(QWidget* window, int control, int code);
    // Keeps the window and fills the holder with it. Pages call this first,
    // then build and fill their controls.
    virtual void OnInitDialog(QWidget* window);
    // Writes the page's controls into the preferences; false keeps the
    // dialog open. The base has nothing to write.
    virtual bool Apply();
    // A control's notification; the base answers 0.
    virtual int OnNotify(QWidget* window, int control, int code);
    // Routes an event: opening to OnInitDialog (1), commands to OnCommand
    // (0), notifications to OnNotify (its answer); anything else 0.
    virtual int DlgProc(QWidget* window, const TPageMessage& message);
    // Shows or hides the page. Pages set the dialog's title first when shown.
    virtual void Show(bool show);

    // Makes the page's widget inside holder and opens it; the widget hands
    // its events to this object from then on.
    QWidget* Create(QWidget* holder);
    QWidget* Window() const { return window_; }

protected:
    CPrefsDialog& Owner() const { return owner_; }
    // Hands button's clicks to DlgProc as commands of control.
    void ForwardClicks(QAbstractButton* button, int control);

private:
    CPrefsDialog& owner_;
    QWidget* window_ = nullptr;
};
