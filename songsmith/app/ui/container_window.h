#pragma once
// CContainerWindow: the main window's middle band, a split pane with the tab
// pane on the left and the session list on the right. The tab pane's share
// of the band's width is "LastWindowSplitPercentage"; it changes only when
// the user drags the split, and it is kept while the pane is hidden.

#include <QPointer>
#include <QSplitter>
#include <functional>
#include <memory>

class CFindContainerWindow;
class CPreferences;
class CSessionListPane;
class CTabPage;
class PLATTER_CPlatter;

class CContainerWindow {
public:
    CContainerWindow(CPreferences& prefs, PLATTER_CPlatter& platter,
                     std::function<void(CTabPage* page)> pageChanged);
    ~CContainerWindow();
    CContainerWindow(const CContainerWindow&) = delete;
    CContainerWindow& operator=(const CContainerWindow&) = delete;

    bool Create(QWidget* parent, int x, int y, int width, int height);
    // Places the band and shares its width out.
    void Move(int x, int y, int width, int height);
    void Resize(int width, int height);
    // Shows or hides the tab pane; the session list fills what it leaves.
    void ShowTabPane(bool show);
    bool TabPaneShown() const;
    int GetMinWidth() const;
    int GetMinHeight() const;

    QSplitter* Window() const { return window_; }
    CFindContainerWindow* TabPane() const { return tabPane_.get(); }
    CSessionListPane* SessionList() const { return sessionList_.get(); }

private:
    void OnUserDrag();

    CPreferences& prefs_;
    QPointer<QSplitter> window_;
    std::unique_ptr<CSessionListPane> sessionList_;
    std::unique_ptr<CFindContainerWindow> tabPane_;
    // Set while the band shares out its width itself, so that the splitter's
    // own moves are not taken for the user's.
    bool sharing_ = false;
};
