#pragma once
// CFindContainerWindow: the tab pane of the main window's middle band, with
// tabs along the bottom: the Find page, the Library page and one CD page per
// drive of the drive library.

#include <QPointer>
#include <QTabWidget>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class CCDTab;
class CFindTab;
class CLibraryTab;
class CPreferences;
class CTabPage;
class PLATTER_CPlatter;

class CFindContainerWindow {
public:
    // Minimum size of a pane without a Find page.
    static constexpr int kMinWidthWithoutFind = 200;
    static constexpr int kMinHeightWithoutFind = 100;

    // pageChanged runs after the page in front changed (by the user or
    // by SelectPage), with the page now in front.
    CFindContainerWindow(CPreferences& prefs, PLATTER_CPlatter& platter,
                         std::function<void(CTabPage* page)> pageChanged);
    ~CFindContainerWindow();
    CFindContainerWindow(const CFindContainerWindow&) = delete;
    CFindContainerWindow& operator=(const CFindContainerWindow&) = delete;

    // Builds the pane (hidden) under parent with its pages and brings the
    // saved "CurrentTab" to the front.
    bool Create(QWidget* parent, int x, int y, int width, int height);

    CFindTab* GetFindTab() const;
    CLibraryTab* GetLibraryTab() const;
    CCDTab* GetRippingCDTab() const;
    bool IsLibraryImporting() const;
    CTabPage* GetCurrentPage() const;
    // The first CD page whose drive opens driveText (a device or image path).
    CCDTab* GetCDTabByDrive(const char* driveText) const;
    void RedrawPages();
    int GetMinWidth() const;
    int GetMinHeight() const;

    // The CD pages in order, and the index of one among them (-1 none).
    std::vector<CCDTab*> CdPages() const;
    int CdIndexOf(const CTabPage* page) const;
    // Brings page to the front.
    void SelectPage(CTabPage* page);

    QWidget* Window() const { return window_; }
    QTabWidget* Tabs() const { return tabs_; }

private:
    void CreatePages();
    void OnSelectionChanged(int index);
    // The first page of the kind (there is one Find and one Library page);
    // null when there is none.
    CTabPage* PageOfKind(int kind) const;

    CPreferences& prefs_;
    PLATTER_CPlatter& platter_;
    std::function<void(CTabPage*)> pageChanged_;
    QPointer<QWidget> window_;
    QPointer<QTabWidget> tabs_;
    // In the order of the tabs.
    std::vector<std::unique_ptr<CTabPage>> pages_;
};
