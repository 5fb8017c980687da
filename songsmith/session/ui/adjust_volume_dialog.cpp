#include "songsmith/session/ui/adjust_volume_dialog.h"

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <cmath>
#include <string>

#include "songsmith/session/cd_track.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/session/session_atoms.h"
#include "songsmith/session/track_list.h"
#include "songsmith/app/ui/prog_string.h"
#include "utilities/ui/center_window.h"
#include "utilities/undo_manager.h"

namespace {

QString PercentText(int percent) {
    return QString::asprintf("%3d%%", percent);
}

QLabel* AddLabel(QDialog& dialog, int id, const char* key) {
    auto* label = new QLabel(ProgString(key), &dialog);
    label->setObjectName(QString::number(id));
    return label;
}

}  // namespace

CAdjustVolumeDlg::CAdjustVolumeDlg(CTrackList& tracks, CUndoMgr& undo, ISessionEditTarget& target,
                                   std::function<void()> refreshGain)
    : tracks_(tracks), undo_(undo), target_(target), refreshGain_(std::move(refreshGain)) {}

int CAdjustVolumeDlg::PercentOf(double volume) {
    // Rounded: truncating shows 0.29 as 28 %.
    return static_cast<int>(std::lround(volume * 100.0));
}

int CAdjustVolumeDlg::PositionOf(double volume) {
    return kSliderMax - PercentOf(volume);
}

bool CAdjustVolumeDlg::DoModal(QWidget* parent, int serial) {
    double original = 1.0;
    std::string name;
    tracks_.Lock();
    const int index = tracks_.FindBySerial(serial);
    if (index >= 0) {
        original = tracks_.GetAt(index)->GetVolume();
        name = tracks_.GetAt(index)->GetMusicInfo().displayText;
    }
    tracks_.Unlock();
    double volume = original;

    // Puts a volume on the track at once, for the player to take.
    const auto apply = [this, serial](double value) {
        tracks_.Lock();
        const int at = tracks_.FindBySerial(serial);
        if (at >= 0) tracks_.GetAt(at)->SetVolume(value);
        tracks_.Unlock();
        if (refreshGain_) refreshGain_();
    };

    QDialog dialog(parent);
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(QString::fromStdString(FormatKeyedText("AV_Title", {name})));
    auto* slider = new QSlider(Qt::Vertical, &dialog);
    slider->setObjectName(QString::number(kSlider));
    slider->setRange(kSliderMin, kSliderMax);
    slider->setInvertedAppearance(true);
    slider->setInvertedControls(true);
    slider->setTickPosition(QSlider::TicksBothSides);
    slider->setTickInterval(kTickEvery);
    slider->setPageStep(kTickEvery);
    slider->setValue(PositionOf(volume));
    slider->setMinimumHeight(160);
    auto* percent = new QLabel(PercentText(PercentOf(volume)), &dialog);
    percent->setObjectName(QString::number(kPercentText));
    auto* ok = new QPushButton(ProgString("OK"), &dialog);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(ProgString("Cancel"), &dialog);
    cancel->setObjectName("2");

    auto* grid = new QGridLayout(&dialog);
    grid->addWidget(AddLabel(dialog, kVolumeText, "AV_Volume"), 0, 0, 1, 3);
    grid->addWidget(slider, 1, 0, 3, 1);
    grid->addWidget(AddLabel(dialog, kMaxText, "AV_Max"), 1, 1, Qt::AlignTop);
    grid->addWidget(AddLabel(dialog, kDistortionText, "AV_Distortion"), 2, 1, Qt::AlignVCenter);
    grid->addWidget(AddLabel(dialog, kMinText, "AV_Min"), 3, 1, Qt::AlignBottom);
    grid->addWidget(percent, 4, 0, Qt::AlignHCenter);
    grid->addWidget(ok, 1, 2, Qt::AlignTop);
    grid->addWidget(cancel, 2, 2, Qt::AlignTop);

    // While the thumb is dragged only the text follows; every other move,
    // and the drag's end, applies the volume.
    const auto take = [&volume, &apply, percent](int position) {
        volume = (kSliderMax - position) * 0.01;
        percent->setText(PercentText(kSliderMax - position));
        apply(volume);
    };
    QObject::connect(slider, &QSlider::valueChanged, &dialog, [slider, percent, &take](int position) {
        if (slider->isSliderDown())
            percent->setText(PercentText(kSliderMax - position));
        else
            take(position);
    });
    QObject::connect(slider, &QSlider::sliderReleased, &dialog, [slider, &take] { take(slider->value()); });
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

    dialog.adjustSize();
    CenterWindow(&dialog, parent);
    ok->setFocus();
    if (dialog.exec() == QDialog::Accepted) {
        if (volume != original) {
            undo_.NextUndoSet();
            CTrackVolumeAtom atom(target_, serial, original, volume);
            undo_.AddUndoNode(atom);
            tracks_.SetDirty(true);
        }
    } else {
        apply(original);
    }
    return true;
}
