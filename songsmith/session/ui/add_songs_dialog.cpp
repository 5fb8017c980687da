#include "songsmith/session/ui/add_songs_dialog.h"

#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "songsmith/session/session_list.h"
#include "songsmith/app/ui/prog_string.h"
#include "utilities/ui/center_window.h"

namespace {

// The close box stops the list as the Stop button does.
class CAddSongsWindow final : public QDialog {
public:
    CAddSongsWindow(QWidget* parent, CSessionList& list) : QDialog(parent), list_(list) {}

    void Stop() {
        list_.StopAddList();
        Finish();
    }
    void Finish() {
        if (finished_) return;
        finished_ = true;
        timer_.stop();
        done(list_.FinishAddList());
    }
    QTimer& Timer() { return timer_; }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        Stop();
    }
    void reject() override { Stop(); }

private:
    CSessionList& list_;
    QTimer timer_;
    bool finished_ = false;
};

}  // namespace

int CAddSongsDlg::DoModal(QWidget* parent, bool libraryWording) {
    CAddSongsWindow dialog(parent, list_);
    dialog.setObjectName(QString::number(libraryWording ? kLibraryDialogId : kPlaylistDialogId));
    dialog.setWindowTitle(ProgString(list_.AddListTitleKey()));
    dialog.setModal(true);

    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(QString::fromStdString(list_.AddListProgressText()), &dialog);
    text->setObjectName(QString::number(kProgressText));
    text->setMinimumWidth(360);
    auto* bar = new QProgressBar(&dialog);
    bar->setObjectName(QString::number(kProgressBar));
    bar->setRange(0, list_.AddListTotal());
    bar->setValue(0);
    auto* stop = new QPushButton(ProgString("ILD_Stop"), &dialog);
    stop->setObjectName(QString::number(kStopButton));
    layout->addWidget(text);
    layout->addWidget(bar);
    layout->addWidget(stop, 0, Qt::AlignHCenter);
    QObject::connect(stop, &QPushButton::clicked, &dialog, [&dialog] { dialog.Stop(); });

    // One file a tick; the bar steps for every file, added or not.
    dialog.Timer().setInterval(kTickMs);
    QObject::connect(&dialog.Timer(), &QTimer::timeout, &dialog, [this, &dialog, bar, text] {
        // A tick that takes the last file answers false as well.
        const bool more = list_.AddListTick();
        text->setText(QString::fromStdString(list_.AddListProgressText()));
        bar->setValue(list_.AddListAdded() + list_.AddListFailed());
        if (!more) dialog.Finish();
    });
    dialog.adjustSize();
    CenterWindow(&dialog, parent);
    dialog.Timer().start();
    return dialog.exec();
}
