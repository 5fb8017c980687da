#pragma once
// CRemoteDBPrefsPage: the preferences dialog's Remote Database page: the
// CDDB site the CD pages ask for album titles, each site's description and
// location, a fresh site list from the server, and the automatic lookup.
//
// A fetched site list replaces the stored one at once, whatever becomes of
// the dialog; the site chosen and the lookup box wait for Apply.

#include "songsmith/prefs/ui/prefs_page.h"

class CPreferences;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
struct TITLEFETCH_TSite;

class CRemoteDBPrefsPage : public CPrefsPage {
public:
    static constexpr int kDialogId = 266;
    static constexpr int kAutoLookup = 1293;
    static constexpr int kListText = 1332;
    static constexpr int kSiteList = 1294;
    static constexpr int kUpdate = 1421;
    static constexpr int kDescriptionText = 1333;
    static constexpr int kDescription = 1295;
    static constexpr int kLocationText = 1334;
    static constexpr int kLocation = 1296;

    using CPrefsPage::CPrefsPage;

    void OnCommand(QWidget* window, int control, int code) override;
    void OnInitDialog(QWidget* window) override;
    bool Apply() override;
    void Show(bool show) override;

private:
    CPreferences& Prefs() const;
    // The stored site of the selected row; null without a selection.
    TITLEFETCH_TSite* SelectedSite() const;
    void CreateControls(QWidget* window);
    // One row per stored site, the chosen one selected.
    void FillSites();
    // The selected site's description and location.
    void ShowSelectedSite();
    void OnUpdate();

    QCheckBox* autoLookup_ = nullptr;
    QListWidget* sites_ = nullptr;
    QPushButton* update_ = nullptr;
    QLabel* description_ = nullptr;
    QLabel* location_ = nullptr;
};
