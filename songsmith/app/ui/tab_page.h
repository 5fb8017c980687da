#pragma once
// CTabPage: the base of the pages in the main window's tab pane (the Find
// page, the Library page and one CD page per drive). A page owns its window
// and a lock that its workers take around the page's shared state.

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <mutex>

class QAction;
class QIcon;
class QLabel;
class QString;
class QTabWidget;

// What a page is, and the index of its tab image.
enum ETabKind { kTabKindFind = 0, kTabKindCd = 1, kTabKindLibrary = 2 };

// The strip along the top of every page.
inline constexpr int kPageStripId = 1035;
inline constexpr int kPageStripHeight = 14;
// Longest tab caption in characters.
inline constexpr int kTabCaptionMax = 20;

// The strip along the top of a page: its title in the bold title font, 4
// pixels in, at least the font's height + 6 high, as wide as width.
QLabel* MakePageStrip(QWidget* page, const QString& title, int width);

class CTabPage {
public:
    // Builds a page's window under parent, at the size of its template.
    using TPageTemplate = std::function<QWidget*(QWidget* parent)>;

    CTabPage() = default;
    // Waits until no worker is inside the page's lock, then destroys the window.
    virtual ~CTabPage();
    CTabPage(const CTabPage&) = delete;
    CTabPage& operator=(const CTabPage&) = delete;

    // With a window already there, only shows it. Otherwise builds it, keeps
    // its template width as the page's width and places it at (x, y), as
    // wide as the larger of width and its own, height high. True when a
    // window exists.
    virtual bool CreatePage(QWidget* parent, const TPageTemplate& pageTemplate, int x, int y,
                            int width, int height);
    // Adds the page's tab at the end of tabs: the key's text (at most
    // kTabCaptionMax characters) and the image of kind. Sets the kind.
    virtual bool AddTab(QTabWidget* tabs, const char* captionKey, int kind);
    // Moves and sizes the window; the strip is stretched to the width.
    virtual void Reposition(int x, int y, int width, int height);
    virtual void Show(bool show);
    // Pages that list songs mark the song's row; nothing here.
    virtual void SetSongPlayState(const char* path, bool playing);
    virtual void Lock();
    virtual void Unlock();
    // A command of the main window's menus for the page in front (and of
    // the page's own controls); 0 when the page does not take it.
    virtual std::intptr_t OnCommand(int id);
    // Sets the text and state of a menu item of the page's commands; items
    // of other commands stay as they are.
    virtual void UpdateMenuItem(QAction* item);

    QWidget* Window() const { return window_; }
    int Width() const { return width_; }
    int MinimumHeight() const { return minimumHeight_; }
    int Kind() const { return kind_; }

protected:
    // The page's own window, built by the derived page's Create.
    QPointer<QWidget> window_;

private:
    int width_ = 100;
    int minimumHeight_ = 300;
    int kind_ = kTabKindFind;
    std::recursive_mutex lock_;
};
