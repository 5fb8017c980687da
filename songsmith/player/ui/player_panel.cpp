// The player panel's window: its controls and their places, the display
// drawn through an offscreen picture, and the timers.
#include "songsmith/player/ui/player_panel.h"

#include <QFontMetrics>
#include <QFrame>
#include <QPaintEvent>
#include <QPainter>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "platform/wait_clock.h"
#include "songsmith/app/ui/app_message_router.h"
#include "songsmith/drawing/ui/bitmaps.h"
#include "songsmith/app/app_windows.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/player/player_display.h"
#include "songsmith/player/song_player.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "utilities/ui/dialog_units.h"

namespace {

constexpr int kScrollIntervalMs = 350;
constexpr int kTimeIntervalMs = 250;
constexpr int kRepaintIntervalMs = 150;

// The title font: bold, 12 points at the screen's vertical resolution.
constexpr int kTitlePoints = 12;
const QColor kDisplayText(255, 200, 0);
// The upper line starts this far inside the display; the lower line ends
// this far above its bottom.
constexpr int kTextInset = 3;
constexpr int kTitleLineExtra = 5;
constexpr int kTimeLineBottomGap = 8;

// The buttons' row starts at this place of the template; play/stop lies
// this far right of previous, the slider further right and a little higher.
constexpr int kButtonRowLeftDu = 9;
constexpr int kButtonRowTopDu = 33;
constexpr int kPlayStopStep = 35;
constexpr int kSliderStep = 26;
constexpr int kSliderRaise = 2;
constexpr int kSliderHeight = 28;
constexpr QSize kSkipSize(34, 24);
constexpr QSize kPlayStopSize(24, 24);
constexpr QSize kMoreSize(36, 24);
// Room at the panel's edges and between the slider and next, next and more.
constexpr int kEdge = 8;
constexpr int kGap = 3;
constexpr int kDisplayTop = 5;
constexpr int kDisplayBottomGap = 3;

constexpr int kSliderPageStep = 10;

// The display: shows the panel's offscreen picture.
class CPlayerDisplay : public QFrame {
public:
    CPlayerDisplay(QWidget* parent, const CDibSection& picture)
        : QFrame(parent), picture_(picture) {
        setObjectName(QString::number(CPlayerPanel::kDisplay));
        setFrameShape(QFrame::Box);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        if (!picture_.GetBitmap().isNull())
            picture_.Draw(
                painter,
                event->rect().intersected(QRect(QPoint(0, 0), picture_.GetBitmap().size())),
                event->rect().topLeft());
    }

private:
    const CDibSection& picture_;
};

QToolButton* MakeButton(QWidget* parent, int id, const QPixmap& picture, QSize size) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::number(id));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIcon(QIcon(picture));
    button->setIconSize(size);
    button->resize(size);
    return button;
}

QFrame* MakeFrame(QWidget* parent, int id) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QString::number(id));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    return frame;
}

// The panel's window; a resize lays the controls out again.
class CPlayerPanelWindow : public QWidget {
public:
    CPlayerPanelWindow(QWidget* parent, std::function<void(int)> resized)
        : QWidget(parent), resized_(std::move(resized)) {
        setObjectName(QString::number(CPlayerPanel::kDialogId));
    }

protected:
    void resizeEvent(QResizeEvent* /*event*/) override { resized_(width()); }

private:
    std::function<void(int)> resized_;
};

}  // namespace

CPlayerPanel::CPlayerPanel()
    : scrollTimer_(std::make_unique<QTimer>()),
      timeTimer_(std::make_unique<QTimer>()),
      repaintTimer_(std::make_unique<QTimer>()) {
    for (const int id : {kScrollTimer, kTimeTimer, kRepaintTimer}) {
        QTimer* timer = Timer(id);
        timer->setInterval(id == kScrollTimer ? kScrollIntervalMs
                           : id == kTimeTimer ? kTimeIntervalMs
                                              : kRepaintIntervalMs);
        QObject::connect(timer, &QTimer::timeout, [this, id] { OnTimer(id); });
    }
}

CPlayerPanel::~CPlayerPanel() {
    for (const int id : {kScrollTimer, kTimeTimer, kRepaintTimer}) StopTimer(id);
    if (receiver_ != nullptr) SetAppWindowReceiver(EAppWindow::kPlayerPanel, kNoReceiver);
    receiver_.reset();
    delete window_.data();
}

bool CPlayerPanel::Create(QWidget* parent, int x, int y, int width, int height) {
    if (window_ == nullptr) {
        window_ = new CPlayerPanelWindow(parent, [this](int w) { Reposition(w); });
        OnInitDialog();
        window_->show();
    }
    window_->setGeometry(x, y, std::max(width, kMinWidth), height);
    return true;
}

TReceiverId CPlayerPanel::ReceiverId() const {
    return receiver_ != nullptr ? receiver_->Id() : kNoReceiver;
}

void CPlayerPanel::SetPartners(TPlayerPanelPartners partners) {
    partners_ = std::move(partners);
    ShowPlayerState();
}

void CPlayerPanel::ShowPlayerState() {
    const bool card = partners_.player != nullptr && partners_.player->FormatFound() != 0;
    notice_ = partners_.player != nullptr && !card ? KeyedText("PEM_NoValidSoundcardTitle") : std::string();
    if (slider_ != nullptr) slider_->setEnabled(card && soundId_ != CSongPlayer::kNoSoundId);
    RedrawDisplay();
}

void CPlayerPanel::SetPageLists(TPageNextSong findTab, TPageNextSong libraryTab) {
    findTab_ = std::move(findTab);
    libraryTab_ = std::move(libraryTab);
}

void CPlayerPanel::OnInitDialog() {
    // The pictures are made once; the screen's depth changes nothing here.
    stopPicture_ = LoadPaletteBitmap(kPictureStop);
    playPicture_ = LoadPaletteBitmap(kPicturePlay);
    morePictureShown_ = LoadPaletteBitmap(kPictureMore);

    MakeFrame(window_, kDisplayFrame);
    MakeFrame(window_, kButtonFrame);
    displayControl_ = new CPlayerDisplay(window_, display_);
    MakeButton(window_, kPrevious, LoadPaletteBitmap(kPicturePrevious), kSkipSize);
    playStop_ = MakeButton(window_, kPlayStop, playPicture_, kPlayStopSize);
    playStopPicture_ = kPicturePlay;
    MakeButton(window_, kNext, LoadPaletteBitmap(kPictureNext), kSkipSize);
    more_ = MakeButton(window_, kMore, LoadPaletteBitmap(kPictureMoreIdle), kMoreSize);
    more_->setToolTip(QStringLiteral("more"));
    morePicture_ = kPictureMoreIdle;
    for (const int id : {kPrevious, kPlayStop, kNext, kMore}) {
        auto* button = window_->findChild<QAbstractButton*>(QString::number(id));
        QObject::connect(button, &QAbstractButton::clicked, [this, id] { OnCommand(id); });
    }

    slider_ = new QSlider(Qt::Horizontal, window_);
    slider_->setObjectName(QString::number(kSlider));
    slider_->setRange(0, 100);
    slider_->setPageStep(kSliderPageStep);
    slider_->setFocusPolicy(Qt::NoFocus);
    QObject::connect(slider_, &QSlider::actionTriggered, [this](int action) {
        if (action == QAbstractSlider::SliderNoAction) return;
        const bool tracking = action == QAbstractSlider::SliderMove && slider_->isSliderDown();
        OnHScroll(tracking ? kScrollThumbTrack : kScrollMove, slider_->sliderPosition());
    });
    QObject::connect(slider_, &QSlider::sliderReleased, [this] {
        OnHScroll(kScrollMove, slider_->value());
        OnHScroll(kScrollEndTrack, slider_->value());
    });

    font_ = QFont(QStringLiteral("Arial"));
    font_.setWeight(QFont::Bold);
    font_.setPixelSize(std::max(1, (kTitlePoints * window_->logicalDpiY() + 36) / 72));
    fontHeight_ = QFontMetrics(font_).height();

    receiver_ = std::make_unique<CAppMessageReceiver>(
        [this](TAppMessage& message) { return WindowProc(message); });
    SetAppWindowReceiver(EAppWindow::kPlayerPanel, receiver_->Id());
    Reposition(window_->width());
}

void CPlayerPanel::Reposition(int width) {
    if (window_ == nullptr || displayControl_ == nullptr) return;
    const QPoint row =
        MapDialogRect(kButtonRowLeftDu, kButtonRowTopDu, kButtonRowLeftDu, kButtonRowTopDu)
            .topLeft();
    auto place = [this](int id, QRect rect) {
        if (QWidget* control = window_->findChild<QWidget*>(QString::number(id)))
            control->setGeometry(rect);
    };
    place(kPrevious, QRect(row, kSkipSize));
    place(kPlayStop, QRect(QPoint(row.x() + kPlayStopStep, row.y()), kPlayStopSize));
    const int moreLeft = width - kEdge - kMoreSize.width();
    const int nextLeft = moreLeft - kGap - kSkipSize.width();
    const int sliderLeft = row.x() + kPlayStopStep + kSliderStep;
    place(kNext, QRect(QPoint(nextLeft, row.y()), kSkipSize));
    place(kMore, QRect(QPoint(moreLeft, row.y()), kMoreSize));
    place(kSlider, QRect(sliderLeft, row.y() - kSliderRaise,
                         std::max(nextLeft - kGap - sliderLeft, 0), kSliderHeight));
    const QRect display(kEdge, kDisplayTop, width - 2 * kEdge,
                        row.y() - kDisplayBottomGap - kDisplayTop);
    place(kDisplay, display);
    place(kDisplayFrame, display.adjusted(-2, -2, 2, 2));
    place(kButtonFrame, QRect(row.x() - 2, row.y() - kSliderRaise - 1, width - kEdge - row.x() + 4,
                              kSliderHeight + 2));
    RedrawDisplay();
}

QTimer* CPlayerPanel::Timer(int id) const {
    switch (id) {
        case kScrollTimer:
            return scrollTimer_.get();
        case kTimeTimer:
            return timeTimer_.get();
        case kRepaintTimer:
            return repaintTimer_.get();
        default:
            return nullptr;
    }
}

void CPlayerPanel::StartTimer(int id) {
    if (QTimer* timer = Timer(id); timer != nullptr && !timer->isActive()) timer->start();
}

void CPlayerPanel::StopTimer(int id) {
    if (QTimer* timer = Timer(id)) timer->stop();
}

bool CPlayerPanel::TimerRunning(int id) const {
    const QTimer* timer = Timer(id);
    return timer != nullptr && timer->isActive();
}

std::int64_t CPlayerPanel::Now() const {
    return WaitClockMilliseconds();
}

void CPlayerPanel::OnTimer(int id) {
    switch (id) {
        case kTimeTimer:
            UpdateTime();
            break;
        case kRepaintTimer:
            RepaintDisplay();
            break;
        case kScrollTimer:
            scrollOffset_ = NextScrollOffset(scrollOffset_, CharacterCount(title_));
            RedrawDisplay();
            break;
        default:
            break;
    }
}

void CPlayerPanel::SetTimeText(std::int64_t fromStartMs) {
    timeText_ = PlayTimeText(fromStartMs, static_cast<std::int64_t>(endMs_) - startMs_);
}

void CPlayerPanel::UpdateTime() {
    const std::int64_t elapsed = Now() - startTick_ + positionMs_ - startMs_;
    SetTimeText(elapsed);
    if (!dragging_ && slider_ != nullptr)
        slider_->setValue(SliderPosition(elapsed, startMs_, endMs_));
}

void CPlayerPanel::RedrawDisplay() {
    if (displayControl_ == nullptr) return;
    const QSize size = displayControl_->size();
    if (size.width() < 2 || size.height() < 2) return;
    if (display_.GetWidth() != size.width() || display_.GetHeight() != size.height())
        display_.Create(size.width(), size.height(), false, displayControl_);
    std::uint8_t* bits = display_.GetBits();
    if (bits == nullptr) return;
    const QImage& shown = display_.GetBitmap();
    QImage target(bits, shown.width(), shown.height(), shown.bytesPerLine(), shown.format());
    QPainter painter(&target);
    const QRect area(0, 0, size.width() - 1, size.height() - 1);
    painter.fillRect(area, Qt::black);
    if (!title_.empty()) {
        painter.setFont(font_);
        painter.setPen(kDisplayText);
        const QFontMetrics metrics(font_);
        const QRect upper(kTextInset, kTextInset, area.width() - 2 * kTextInset,
                          fontHeight_ + kTitleLineExtra);
        const QString title = QString::fromStdString(title_);
        const bool scrolls = metrics.horizontalAdvance(title) > upper.width();
        painter.drawText(
            upper, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
            scrolls ? QString::fromStdString(ScrolledTitle(title_, scrollOffset_)) : title);
        const QRect lower(kTextInset, 0, area.width() - 2 * kTextInset,
                          area.height() - kTimeLineBottomGap);
        painter.drawText(
            lower, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine,
            metrics.elidedText(QString::fromStdString(timeText_), Qt::ElideRight, lower.width()));
    } else if (!notice_.empty()) {
        painter.setFont(font_);
        painter.setPen(kDisplayText);
        const QFontMetrics metrics(font_);
        const QRect inside = area.adjusted(kTextInset, kTextInset, -kTextInset, -kTextInset);
        painter.drawText(inside, Qt::AlignCenter | Qt::TextSingleLine,
                         metrics.elidedText(QString::fromStdString(notice_), Qt::ElideRight, inside.width()));
    }
    painter.end();
    displayControl_->update();
}

void CPlayerPanel::RepaintDisplay() {
    if (displayControl_ != nullptr) displayControl_->repaint();
}

void CPlayerPanel::ShowPlayStop(int picture) {
    playStopPicture_ = picture;
    if (playStop_ != nullptr)
        playStop_->setIcon(QIcon(picture == kPictureStop ? stopPicture_ : playPicture_));
}
