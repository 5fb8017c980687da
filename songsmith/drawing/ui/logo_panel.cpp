#include "songsmith/drawing/ui/logo_panel.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "songsmith/app/ui/app_resources.h"
#include "songsmith/app/home_page.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "utilities/launch_browser.h"
#include "utilities/ui/dialog_units.h"

namespace {

constexpr int kLastLevelFrame = 15;
constexpr int kFirstBusyFrame = 16;
constexpr int kLastBusyFrame = 18;
// The cursor state over either picture, and elsewhere.
constexpr int kOverPicture = 0;
constexpr int kElsewhere = 2;

// The meter frame of a level: value × 16, at most the last level; a
// negative value (or one that is not a number) the empty meter.
int LevelFrame(double value) {
    if (!(value > 0.0)) return 0;
    if (value >= 1.0) return kLastLevelFrame;
    return std::min(kLastLevelFrame, static_cast<int>(value * 16.0));
}

bool LoadPicture(CDibSection& dib, int resource) {
    if (!dib.LoadBitmapImage(resource)) return false;
    dib.CreateTransparencyMask();
    return true;
}

// The panel's window: hands its events to the panel.
class CLogoPanelWindow : public QWidget {
public:
    CLogoPanelWindow(QWidget* parent, CLogoPanel& owner) : QWidget(parent), owner_(owner) {
        setObjectName(QString::number(CLogoPanel::kDialogId));
        setAutoFillBackground(true);
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        owner_.OnPaint(painter, event->region());
    }
    void mouseMoveEvent(QMouseEvent* event) override { owner_.OnMouseMove(event->position().toPoint()); }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        // A press comes where the mouse last moved; one without a move
        // before it (a touch) still finds the picture under it.
        owner_.OnMouseMove(event->position().toPoint());
        owner_.OnLButtonDown(event->position().toPoint());
    }

private:
    CLogoPanel& owner_;
};

}  // namespace

CLogoPanel::CLogoPanel()
    : animation_(std::make_unique<QTimer>()), guiTarget_(std::make_unique<QObject>()) {
    animation_->setInterval(kAnimationIntervalMs);
    QObject::connect(animation_.get(), &QTimer::timeout, guiTarget_.get(),
                     [this] { OnTimer(kAnimationTimer); });
}

CLogoPanel::~CLogoPanel() {
    animation_->stop();
    delete window_.data();
}

bool CLogoPanel::Create(QWidget* parent, int x, int y, int width, int height) {
    if (window_ == nullptr) {
        window_ = new CLogoPanelWindow(parent, *this);
        window_->setGeometry(x, y, width, height);
        OnInitDialog();
    }
    window_->show();
    return window_ != nullptr;
}

void CLogoPanel::Move(int x, int y, int width, int height) {
    if (window_ != nullptr) window_->setGeometry(x, y, width, height);
}

void CLogoPanel::OnInitDialog() {
    LoadPicture(cleanLogo_, kPictureLogo);
    LoadPicture(shownLogo_, kPictureLogo);
    LoadPicture(meterStrip_, kPictureBurnAnimation);
    LoadPicture(picture_, kPictureLogoText);
    logoRect_ = MapDialogRect(18, 8, 105, 35);
    pictureRect_ = MapDialogRect(7, 31, 119, 54);
    meterRect_ = QRect(logoRect_.left() + kLogoMeterLeft, logoRect_.top() + kLogoMeterTop,
                       kBurnAnimationFrameWidth, kBurnAnimationFrameWidth);
    mode_.store(0);
    ApplyMode(0);
}

bool CLogoPanel::OnGuiThread() const { return QThread::currentThread() == guiTarget_->thread(); }

void CLogoPanel::SetMode(int mode) {
    mode_.store(mode);
    if (mode == 2) level_.store(0.0);
    if (OnGuiThread()) {
        ApplyMode(mode);
    } else {
        QMetaObject::invokeMethod(guiTarget_.get(), [this, mode] { ApplyMode(mode); },
                                  Qt::QueuedConnection);
    }
}

void CLogoPanel::SetLevel(double value) {
    level_.store(value);
    if (OnGuiThread()) {
        ApplyLevel(value);
    } else {
        QMetaObject::invokeMethod(guiTarget_.get(), [this, value] { ApplyLevel(value); },
                                  Qt::QueuedConnection);
    }
}

void CLogoPanel::ApplyMode(int mode) {
    switch (mode) {
        case 2:
            ApplyLevel(0.0);
            animation_->stop();
            break;
        case 4:
            animation_->start();
            // The first tick shows the first busy frame.
            frame_ = kLastLevelFrame;
            break;
        case 3:
            animation_->stop();
            break;
        case 0:
        case 1:
            frame_ = 0;
            animation_->stop();
            break;
        default:
            break;
    }
    drawnMode_ = mode;
    DrawMeter(mode != 2);
    RepaintMeter();
}

void CLogoPanel::ApplyLevel(double value) {
    const int frame = LevelFrame(value);
    if (frame == frame_) return;
    frame_ = frame;
    DrawMeter(false);
    RepaintMeter();
}

void CLogoPanel::OnTimer(int id) {
    if (id != kAnimationTimer) return;
    if (++frame_ > kLastBusyFrame) frame_ = kFirstBusyFrame;
    DrawMeter(false);
    RepaintMeter();
}

void CLogoPanel::DrawMeter(bool copyClean) {
    std::uint8_t* bits = shownLogo_.GetBits();
    if (bits == nullptr) return;
    const QImage& shown = shownLogo_.GetBitmap();
    QImage target(bits, shown.width(), shown.height(), shown.bytesPerLine(), shown.format());
    {
        QPainter painter(&target);
        if (copyClean) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            cleanLogo_.Draw(painter, cleanLogo_.GetClipBox(), QPoint(0, 0));
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        if (drawnMode_ != 0) {
            meterStrip_.DrawTransparent(
                painter,
                QRect(kLogoMeterLeft, kLogoMeterTop, kBurnAnimationFrameWidth, kBurnAnimationFrameWidth),
                QPoint(kBurnAnimationFrameWidth * frame_, 0));
        }
    }
    // The logo's pixels changed: its transparent copy is made again.
    shownLogo_.CreateTransparencyMask();
}

void CLogoPanel::RepaintMeter() {
    if (window_ != nullptr) window_->update(meterRect_);
}

bool CLogoPanel::AnimationRunning() const { return animation_->isActive(); }

void CLogoPanel::OnPaint(QPainter& painter, const QRegion& region) {
    bool pictureDrawn = false;
    bool logoDrawn = false;
    for (const QRect& rect : region) {
        if (!pictureDrawn && rect.intersects(pictureRect_)) {
            picture_.DrawTransparent(painter, QRect(pictureRect_.topLeft(), picture_.GetClipBox().size()),
                                     QPoint(0, 0));
            pictureDrawn = true;
        }
        if (!logoDrawn && rect.intersects(logoRect_)) {
            shownLogo_.DrawTransparent(painter, QRect(logoRect_.topLeft(), shownLogo_.GetClipBox().size()),
                                       QPoint(0, 0));
            logoDrawn = true;
        }
    }
}

void CLogoPanel::OnMouseMove(QPoint point) {
    cursorState_ = logoRect_.contains(point) || pictureRect_.contains(point) ? kOverPicture : kElsewhere;
    if (window_ == nullptr) return;
    if (cursorState_ == kOverPicture) {
        const CAppResources* resources = AppResources();
        window_->setCursor(resources != nullptr ? resources->Cursor(kCursorHand)
                                                : QCursor(Qt::PointingHandCursor));
    } else {
        window_->unsetCursor();
    }
}

void CLogoPanel::OnLButtonDown(QPoint) {
    if (cursorState_ != kOverPicture) return;
    LaunchBrowser(HomePageAddress("index.htm", "src=logo").c_str(), window_.data(), 1);
}
