#pragma once
// CImportFavoritesDlg: the favourite music folders the library import
// searches first. Folders are added, removed and moved up and down in a
// list; OK writes the list into the preferences at once (dropping folders
// that no longer exist), Cancel and the close box change nothing.
//
// Each row keeps a time stamp (seconds since 1970), and the preferences keep
// the folders by stamp, newest first. Up and Down move a folder's path and
// leave the stamps with the rows (a folder takes the stamp of the row it
// moves to), so an order made among the listed folders survives OK; a folder
// added here is stamped now and comes first.

#include <QPointer>
#include <string>

class CPreferences;
class QDialog;
class QListWidget;
class QPushButton;
class QWidget;

class CImportFavoritesDlg {
public:
    static constexpr int kDialogId = 283;
    static constexpr int kTitleText = 1487;
    static constexpr int kDescription = 1494;
    static constexpr int kList = 1288;
    static constexpr int kAdd = 1292;
    static constexpr int kRemove = 1293;
    static constexpr int kUp = 1294;
    static constexpr int kDown = 1295;

    explicit CImportFavoritesDlg(CPreferences& prefs);
    ~CImportFavoritesDlg();
    CImportFavoritesDlg(const CImportFavoritesDlg&) = delete;
    CImportFavoritesDlg& operator=(const CImportFavoritesDlg&) = delete;

    // Runs the dialog modally, centred over parent: 1 after OK, 2 after
    // Cancel or the close box.
    int DoModal(QWidget* parent);

    // The dialog's events.
    void OnInitDialog(QDialog& dialog);
    void OnSelectionChanged();
    void OnAdd();
    void OnRemove();
    // Move the selected folder one row up or down.
    void OnUp();
    void OnDown();
    void OnOk();
    void OnCancel();

private:
    void CreateControls(QDialog& dialog);
    void FillList();
    // Moves the selected folder step rows (-1 up, 1 down), staying selected.
    void MoveSelected(int step);

    CPreferences& prefs_;
    QPointer<QDialog> dialog_;
    QListWidget* list_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* up_ = nullptr;
    QPushButton* down_ = nullptr;
    // The folder last chosen with Add, where the next choice starts.
    std::string lastFolder_;
};
