#include "songsmith/burn/ui/burn_success_dialog.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include "platform/message_box.h"
#include "songsmith/burn/ui/burn_dialog_window.h"
#include "songsmith/app/app_messages.h"
#include "songsmith/app/command_ids.h"
#include "songsmith/dialogs/ui/dialog_control.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "utilities/ui/center_window.h"

namespace {

// Layout (pixels).
constexpr int kWidth = 400;
constexpr int kHeight = 150;
constexpr int kMargin = 12;
constexpr int kButtonHeight = 26;
constexpr int kOkWidth = 88;
constexpr int kLabelWidth = 150;
}  // namespace

CBurnSuccessDlg::CBurnSuccessDlg(bool test, int copies, TReceiverId mainWindow, int animationMs)
    : test_(test), copies_(copies), mainWindow_(mainWindow), animationMs_(animationMs) {}

CBurnSuccessDlg::~CBurnSuccessDlg() {
    delete dialog_.data();
}

CBurnSuccessDlg* CBurnSuccessDlg::FromWindow(QWidget* window) {
    return static_cast<CBurnSuccessDlg*>(CBurnDialogWindow::OwnerOf(window, kDialogId));
}

int CBurnSuccessDlg::DoModal(QWidget* parent) {
    auto* window = new CBurnDialogWindow(parent, kDialogId, QSize(kWidth, kHeight),
                                         {nullptr, [this](QPainter& painter) { OnPaint(painter); }}, this);
    dialog_ = window;
    OnInitDialog(parent);
    const int result = window->exec();
    delete window;
    strip_.Release();
    return result;
}

void CBurnSuccessDlg::OnInitDialog(QWidget* parent) {
    QDialog* dialog = dialog_;
    CenterWindow(dialog, parent);
    dialog->setWindowTitle(ProgString("BSD_Title"));
    strip_.LoadBitmapImage(kPictureBurnAnimation);

    auto* place = AddDialogControl<QWidget>(dialog, kAnimationPlace, kMargin + 8, kMargin + 8,
                                            kBurnAnimationFrameWidth, kBurnAnimationFrameWidth);
    place->hide();
    frameRect_ = place->geometry();
    // The keyed texts carry their own line breaks.
    const char* key = test_ ? "BSD_TestSuccess" : copies_ <= 1 ? "BSD_BurnSuccess" : "BSD_BurnSuccessMultiple";
    const int left = frameRect_.right() + 1 + 16;
    auto* message = AddDialogControl<QLabel>(dialog, kMessage, ProgString(key), left, kMargin,
                                             kWidth - kMargin - left, kHeight - 3 * kMargin - kButtonHeight);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const int top = kHeight - kMargin - kButtonHeight;
    auto* label = AddDialogControl<QPushButton>(dialog, kMakeLabel, ProgString("BSD_MakeLabel"),
                                                kWidth - kMargin - kOkWidth - 8 - kLabelWidth, top, kLabelWidth,
                                                kButtonHeight);
    auto* ok = AddDialogControl<QPushButton>(dialog, IDOK, ProgString("OK"), kWidth - kMargin - kOkWidth, top,
                                             kOkWidth, kButtonHeight);
    ok->setDefault(true);
    ok->setFocus();
    QObject::connect(ok, &QPushButton::clicked, dialog, [dialog] { dialog->done(1); });
    QObject::connect(label, &QPushButton::clicked, dialog, [this] { OnMakeLabel(); });

    auto* timer = new QTimer(dialog);
    timer->setObjectName(QString::number(kAnimationTimer));
    QObject::connect(timer, &QTimer::timeout, dialog, [this] { OnTimer(); });
    timer->start(animationMs_);
}

void CBurnSuccessDlg::OnTimer() {
    frame_ = frame_ >= kLastFrame ? kFirstFrame : frame_ + 1;
    if (dialog_ != nullptr) dialog_->update(frameRect_);
}

void CBurnSuccessDlg::OnMakeLabel() {
    PostAppMessage(mainWindow_, TAppMessage{WM_COMMAND, static_cast<std::uintptr_t>(cmd::kLabelProduct), 0, nullptr});
    dialog_->done(1);
}

void CBurnSuccessDlg::OnPaint(QPainter& painter) {
    if (strip_.GetBitmap().isNull()) return;
    strip_.DrawTransparent(painter, frameRect_, QPoint(frame_ * kBurnAnimationFrameWidth, 0));
}
