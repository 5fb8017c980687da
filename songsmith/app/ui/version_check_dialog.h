#pragma once
// The version check: a small dialog that fetches the latest version's number
// and download page from the program's web site on a worker thread, shows
// them, and says whether the running program is the latest version.
// CVersionCheckDlg owns the behaviour; its thin QDialog forwards the close
// request and clicks.

#include <QPointer>
#include <QTimer>
#include <string>

#include "songsmith/app/version_download.h"
#include "songsmith/app/version_numbers.h"

class CLinkControl;
class CPreferences;
class MyInternetAccess;
class QDialog;
class QWidget;

// Identifiers of the dialog and its controls (their objectName).
inline constexpr int kVersionCheckDialogId = 205;
inline constexpr int kVersionStatusLabel = 1174;
inline constexpr int kVersionStatusText = 1232;
inline constexpr int kVersionYoursLabel = 1231;
inline constexpr int kVersionYours = 1230;
inline constexpr int kVersionLatestLabel = 1226;
inline constexpr int kVersionLatest = 1229;
inline constexpr int kVersionPageLabel = 1227;
inline constexpr int kVersionPageLink = 1228;
// How often the dialog looks whether the download has finished.
inline constexpr int kVersionCheckTimerMs = 500;

class CVersionCheckDlg {
public:
    // The file goes to prefs' temporary folder; the session is the
    // program's one internet session.
    CVersionCheckDlg(MyInternetAccess& session, const CPreferences& prefs);
    // Stops the download and joins its worker before anything goes.
    ~CVersionCheckDlg();
    CVersionCheckDlg(const CVersionCheckDlg&) = delete;
    CVersionCheckDlg& operator=(const CVersionCheckDlg&) = delete;

    // Opens the internet session when it is closed (and closes it again
    // afterwards), then runs the dialog over owner. False only when the
    // dialog could not be shown.
    bool DoModal(QWidget* owner);

    // The dialog's events.
    void OnInitDialog(QDialog& dialog, QWidget* owner);
    void OnTimer();
    // OK, Cancel or the close button: the download stops, the dialog ends
    // with 0.
    void OnClose();
    // A left click at point (dialog coordinates): the download page opens
    // when the click is on the link.
    void OnLeftButtonUp(QPoint point);

    // The version the running program is taken to be (tests set others).
    void SetRunningVersion(TVersionNumbers numbers) { running_ = std::move(numbers); }

private:
    void StartDownload();
    void ShowResult();
    void SetStatus(const char* key);
    void ShowLink(const std::string& address);

    MyInternetAccess& session_;
    const CPreferences& prefs_;
    TVersionNumbers running_;
    QPointer<QDialog> dialog_;
    QPointer<CLinkControl> link_;
    QTimer timer_;
    CVersionDownload download_;
    bool shown_ = false;
};
