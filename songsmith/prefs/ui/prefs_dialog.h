#pragma once
// CPrefsDialog: the modal preferences dialog. A list on the left picks one
// of six pages, shown on the right under a painted title. OK applies every
// page and saves the preferences; Cancel and the close box apply nothing.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "songsmith/prefs/ui/prefs_page.h"

class CBurner;
class CMainWindow;
class CPreferences;
class IBurnerDrives;
class PLATTER_CPlatter;
class QListWidget;
class QStackedWidget;
class QWidget;
class TITLEFETCH_CTitlefetch;

// Identifiers of the dialog and its controls.
inline constexpr int kPrefsDialogId = 261;
inline constexpr int kPrefsPageList = 1130;
inline constexpr int kPrefsTitle = 1135;
inline constexpr int kPrefsHelpButton = 9;

// What the pages work on. The drive library and the main window may be
// missing (the pages then leave out what needs them).
struct TPrefsContext {
    CPreferences& prefs;
    PLATTER_CPlatter* platter = nullptr;
    CMainWindow* mainWindow = nullptr;
    // The program's title lookup, which fetches the CDDB site lists; null
    // leaves the stored sites as they are.
    TITLEFETCH_CTitlefetch* titlefetch = nullptr;
    // Runs after the Remote Database page stored its site, so the lookup
    // can take the site chosen there.
    std::function<void()> siteApplied = nullptr;
    // The burn controller: its writer, the writer's drive settings and
    // whether a burn runs. Null leaves those out of the Burning CDs page.
    CBurner* burner = nullptr;
    // The drives the writer is chosen among, as the controller sees them;
    // null: the drive library's.
    IBurnerDrives* drives = nullptr;
    // What the Burning CDs page tells the rest of the program; each may be
    // empty. The session's converted files no longer match the settings,
    // so the next burn converts again:
    std::function<void()> conversionOutdated = nullptr;
    // The song player takes the loudness settings for the playing song:
    std::function<void()> refreshGain = nullptr;
    // The session list reckons and shows its totals again:
    std::function<void()> updateTotals = nullptr;
};

// Whether the CD writing engine in use is the Zent engine: the drive
// library's, else (without one) the stored choice.
bool ZentEngineInUse(const TPrefsContext& context);

class CPrefsDialog {
public:
    // The pages, in the order of "CurrentPrefPage".
    static constexpr int kPageCount = 6;
    // The dialog identifier of each page, in that order.
    static constexpr std::array<int, kPageCount> kPageDialogIds = {264, 267, 263, 262, 265, 266};
    // The help context of the list's first row; each row adds one.
    static constexpr int kFirstHelpContext = 9;

    explicit CPrefsDialog(TPrefsContext context);
    ~CPrefsDialog();
    CPrefsDialog(const CPrefsDialog&) = delete;
    CPrefsDialog& operator=(const CPrefsDialog&) = delete;

    // Puts page at index instead of the one DoModal would make.
    void SetPage(int index, std::unique_ptr<CPrefsPage> page);
    // Makes the pages that are not set yet and runs the dialog over parent.
    // Always true; Result() tells how it closed.
    bool DoModal(QWidget* parent);
    // 1 after OK, 2 after Cancel or the close box, 0 before.
    int Result() const { return result_; }

    // The page title; an empty text empties it without repainting.
    void SetTitle(const QString& text);
    const QString& Title() const { return title_; }

    const TPrefsContext& Context() const { return context_; }
    QDialog* Window() const { return dialog_; }

    // The dialog's events.
    void OnInitDialog(QDialog& dialog);
    void OnSelectionChanged();
    void OnOk();
    void OnCancel();
    void OnHelp();

private:
    void CreateControls(QDialog& dialog);
    void FillList();
    void ShowPage(int index);
    std::unique_ptr<CPrefsPage> MakePage(int index);

    struct TPageRecord {
        QWidget* window = nullptr;
        std::unique_ptr<CPrefsPage> page;
        int row = -1;
    };

    TPrefsContext context_;
    std::array<TPageRecord, kPageCount> pages_;
    QPointer<QDialog> dialog_;
    QListWidget* list_ = nullptr;
    QWidget* titleWidget_ = nullptr;
    QStackedWidget* holder_ = nullptr;
    QString title_;
    int current_ = 0;
    int result_ = 0;
};
