#pragma once
// One edit of the Library page as the user sees it: the wait cursor while
// it runs, and, when the outermost edit ends, one warning naming the song
// files whose tags could not be written.
#include <QApplication>

#include "songsmith/library/ui/library_tab.h"

class CEditAction {
public:
    explicit CEditAction(CLibraryTab& page) : page_(page) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++page_.editDepth_;
    }
    ~CEditAction() {
        QApplication::restoreOverrideCursor();
        if (--page_.editDepth_ == 0) page_.WarnUnwrittenTags();
    }
    CEditAction(const CEditAction&) = delete;
    CEditAction& operator=(const CEditAction&) = delete;

private:
    CLibraryTab& page_;
};
