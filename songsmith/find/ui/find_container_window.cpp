#include "songsmith/find/ui/find_container_window.h"

#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidget>
#include <cstring>

#include "filekit/log.h"
#include "platter/platter.h"
#include "songsmith/cd/ui/cd_tab.h"
#include "songsmith/prefs/preferences.h"
#include "songsmith/find/ui/find_tab.h"
#include "songsmith/library/ui/library_tab.h"

namespace {

// Size of a tab image.
constexpr int kTabImageWidth = 20;
constexpr int kTabImageHeight = 16;

}  // namespace

CFindContainerWindow::CFindContainerWindow(CPreferences& prefs, PLATTER_CPlatter& platter,
                                           std::function<void(CTabPage*)> pageChanged)
    : prefs_(prefs), platter_(platter), pageChanged_(std::move(pageChanged)) {}

CFindContainerWindow::~CFindContainerWindow() {
    // The pages' windows go with their objects, before the pane's; the tab
    // control must not report the selections that their removal makes.
    if (tabs_ != nullptr) tabs_->blockSignals(true);
    pages_.clear();
    delete window_.data();
}

bool CFindContainerWindow::Create(QWidget* parent, int x, int y, int width, int height) {
    Log("CFindContainerWindow::WM_CREATE - Creating window");
    window_ = new QWidget(parent);
    window_->hide();
    window_->setGeometry(x, y, width, height);
    auto* layout = new QVBoxLayout(window_);
    layout->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(window_);
    tabs_->setTabPosition(QTabWidget::South);
    tabs_->setIconSize(QSize(kTabImageWidth, kTabImageHeight));
    tabs_->setDocumentMode(true);
    layout->addWidget(tabs_);
    Log("CFindContainerWindow::WM_CREATE - Window created ok");

    // Until the first library import was made, the Library page comes first.
    if (prefs_.ImportInitial == 0) prefs_.CurrentTab = 1;
    CreatePages();
    window_->setMinimumSize(GetMinWidth(), GetMinHeight());

    LogFmt("CFindContainerWindow::WM_CREATE - Setting initial tab to %d", prefs_.CurrentTab);
    // A saved index past the last tab (a drive that went) selects the first.
    if (prefs_.CurrentTab < 0 || prefs_.CurrentTab >= static_cast<int>(pages_.size())) {
        prefs_.CurrentTab = 0;
    }
    tabs_->setCurrentIndex(prefs_.CurrentTab);
    QObject::connect(tabs_, &QTabWidget::currentChanged, tabs_,
                     [this](int index) { OnSelectionChanged(index); });
    if (pageChanged_) pageChanged_(GetCurrentPage());
    return true;
}

void CFindContainerWindow::CreatePages() {
    const QRect area = tabs_->rect();
    auto add = [&](std::unique_ptr<CTabPage> page, const char* captionKey, int kind,
                   auto&& create) {
        if (!create(page.get())) return;
        page->AddTab(tabs_, captionKey, kind);
        pages_.push_back(std::move(page));
    };
    add(std::make_unique<CFindTab>(&prefs_), "FindTab_Title", kTabKindFind, [&](CTabPage* page) {
        return static_cast<CFindTab*>(page)->Create(tabs_, 0, 0, area.width(), area.height());
    });
    add(std::make_unique<CLibraryTab>(&prefs_), "LibTab_Title", kTabKindLibrary, [&](CTabPage* page) {
        return static_cast<CLibraryTab*>(page)->Create(tabs_, 0, 0, area.width(), area.height());
    });
    const std::int32_t drives = platter_.GetDevices();
    for (std::int32_t i = 0; i < drives; ++i) {
        PLATTER_CDevice* drive = platter_.GetDevice(i);
        if (drive == nullptr) continue;
        add(std::make_unique<CCDTab>(drive, &prefs_), "CDTab_Title", kTabKindCd, [&](CTabPage* page) {
            auto* cd = static_cast<CCDTab*>(page);
            // A rip replaces the library's song of a path it writes.
            cd->hooks.deleteLibrarySong = [this](const char* path) {
                if (CLibraryTab* library = GetLibraryTab()) library->DeleteSongByPath(path, true);
            };
            return cd->Create(tabs_, 0, 0, area.width(), area.height());
        });
    }
}

void CFindContainerWindow::OnSelectionChanged(int index) {
    if (index < 0 || index >= static_cast<int>(pages_.size())) return;
    CTabPage* selected = pages_[static_cast<std::size_t>(index)].get();
    for (const auto& page : pages_) {
        if (page.get() != selected) page->Show(false);
    }
    selected->Show(true);
    if (selected->Window() != nullptr) selected->Window()->setFocus();
    prefs_.CurrentTab = index;
    if (pageChanged_) pageChanged_(selected);
}

void CFindContainerWindow::SelectPage(CTabPage* page) {
    if (page == nullptr || tabs_ == nullptr) return;
    const int index = tabs_->indexOf(page->Window());
    if (index < 0) return;
    if (index == tabs_->currentIndex()) {
        if (pageChanged_) pageChanged_(page);
        return;
    }
    tabs_->setCurrentIndex(index);
}

CTabPage* CFindContainerWindow::PageOfKind(int kind) const {
    for (const auto& page : pages_) {
        if (page->Kind() == kind) return page.get();
    }
    return nullptr;
}

CFindTab* CFindContainerWindow::GetFindTab() const {
    return static_cast<CFindTab*>(PageOfKind(kTabKindFind));
}

CLibraryTab* CFindContainerWindow::GetLibraryTab() const {
    return static_cast<CLibraryTab*>(PageOfKind(kTabKindLibrary));
}

CCDTab* CFindContainerWindow::GetRippingCDTab() const {
    for (CCDTab* page : CdPages()) {
        if (page->IsRipping()) return page;
    }
    return nullptr;
}

bool CFindContainerWindow::IsLibraryImporting() const {
    const CLibraryTab* library = GetLibraryTab();
    return library != nullptr && library->IsImporting();
}

CTabPage* CFindContainerWindow::GetCurrentPage() const {
    if (tabs_ == nullptr) return nullptr;
    const int index = tabs_->currentIndex();
    if (index < 0 || index >= static_cast<int>(pages_.size())) return nullptr;
    return pages_[static_cast<std::size_t>(index)].get();
}

CCDTab* CFindContainerWindow::GetCDTabByDrive(const char* driveText) const {
    if (driveText == nullptr) return nullptr;
    for (CCDTab* page : CdPages()) {
        if (page->Drive() != nullptr && page->Drive()->driveText == driveText) return page;
    }
    return nullptr;
}

void CFindContainerWindow::RedrawPages() {
    if (CFindTab* find = GetFindTab(); find != nullptr && find->Window() != nullptr) {
        find->LoadButtonBitmaps();
        find->Window()->update();
    }
}

int CFindContainerWindow::GetMinWidth() const {
    const CFindTab* find = GetFindTab();
    return find == nullptr ? kMinWidthWithoutFind : find->Width();
}

int CFindContainerWindow::GetMinHeight() const {
    const CFindTab* find = GetFindTab();
    return find == nullptr ? kMinHeightWithoutFind : find->MinimumHeight();
}

std::vector<CCDTab*> CFindContainerWindow::CdPages() const {
    std::vector<CCDTab*> cdPages;
    for (const auto& page : pages_) {
        if (page->Kind() == kTabKindCd) cdPages.push_back(static_cast<CCDTab*>(page.get()));
    }
    return cdPages;
}

int CFindContainerWindow::CdIndexOf(const CTabPage* page) const {
    const std::vector<CCDTab*> cdPages = CdPages();
    for (std::size_t i = 0; i < cdPages.size(); ++i) {
        if (cdPages[i] == page) return static_cast<int>(i);
    }
    return -1;
}
