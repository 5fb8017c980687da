#pragma once
// CAdjustVolumeDlg: the modal dialog that sets one session track's volume
// with a vertical slider, 0 % at the bottom to 550 % at the top. The volume
// applies at once as the slider moves (the player takes it while it plays);
// OK keeps it as one undo step when it changed, Cancel puts the old one
// back.

#include <functional>

class CTrackList;
class CUndoMgr;
class ISessionEditTarget;
class QWidget;

class CAdjustVolumeDlg {
public:
    static constexpr int kDialogId = 204;
    static constexpr int kSlider = 1218;
    static constexpr int kPercentText = 1221;
    static constexpr int kMinText = 1223;
    static constexpr int kDistortionText = 1224;
    static constexpr int kMaxText = 1225;
    static constexpr int kVolumeText = 1076;
    // The slider's positions: the volume in percent is the position's
    // distance from kSliderMax, so the top (kSliderMin) is the loudest.
    static constexpr int kSliderMin = 50;
    static constexpr int kSliderMax = 600;
    static constexpr int kTickEvery = 50;

    // target sets the volume when an undo step is undone or redone;
    // refreshGain lets a playing player take a new volume (may be empty).
    CAdjustVolumeDlg(CTrackList& tracks, CUndoMgr& undo, ISessionEditTarget& target,
                     std::function<void()> refreshGain);

    // Runs the dialog for the track with serial, centred on parent; true
    // unless the dialog could not be made.
    bool DoModal(QWidget* parent, int serial);

    // The slider position of a volume and the percentage it shows: the
    // volume rounded to whole percent.
    static int PercentOf(double volume);
    static int PositionOf(double volume);

private:
    CTrackList& tracks_;
    CUndoMgr& undo_;
    ISessionEditTarget& target_;
    std::function<void()> refreshGain_;
};
