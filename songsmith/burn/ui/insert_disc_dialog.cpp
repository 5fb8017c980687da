#include "songsmith/burn/ui/insert_disc_dialog.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <string>

#include "platform/message_box.h"
#include "songsmith/burn/ui/burn_dialog_window.h"
#include "songsmith/burner/burner.h"
#include "songsmith/app/keyed_format.h"
#include "songsmith/dialogs/ui/dialog_control.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "utilities/ui/center_window.h"

namespace {

using Dlg = CInsertDiscDlg;

// Layout (pixels).
constexpr int kWidth = 400;
constexpr int kHeight = 150;
constexpr int kMargin = 12;
constexpr int kPlaceWidth = 96;
constexpr int kPlaceHeight = 80;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 26;

}  // namespace

CInsertDiscDlg::CInsertDiscDlg(CBurner& burner) : burner_(burner) {}

CInsertDiscDlg::~CInsertDiscDlg() {
    delete dialog_.data();
}

CInsertDiscDlg* CInsertDiscDlg::FromWindow(QWidget* window) {
    return static_cast<CInsertDiscDlg*>(CBurnDialogWindow::OwnerOf(window, kDialogId));
}

int CInsertDiscDlg::DoModal(QWidget* parent) {
    auto* window = new CBurnDialogWindow(parent, kDialogId, QSize(kWidth, kHeight),
                                         {nullptr, [this](QPainter& painter) { OnPaint(painter); }}, this);
    dialog_ = window;
    OnInitDialog(parent);
    const int result = window->exec();
    timer_ = nullptr;
    delete window;
    strip_.Release();
    return result;
}

void CInsertDiscDlg::OnInitDialog(QWidget* parent) {
    QDialog* dialog = dialog_;
    CenterWindow(dialog, parent);
    dialog->setWindowTitle(ProgString("IDD_Title"));
    strip_.LoadBitmapImage(kPictureInsertDisc);

    auto* place = AddDialogControl<QWidget>(dialog, kPicturePlace, kMargin, kMargin, kPlaceWidth, kPlaceHeight);
    place->hide();
    const QSize frame(kInsertDiscFrameWidth, strip_.GetHeight());
    frameRect_ = QRect(place->geometry().center() - QPoint(frame.width() / 2, frame.height() / 2), frame);

    const int copies = burner_.copies.load();
    const bool test = burner_.test.load();
    std::string text;
    if (copies <= 1) {
        text = KeyedText(test ? "IDD_MessageTest" : "IDD_Message");
    } else {
        text = FormatKeyedText(test ? "IDD_MultiMessageTest" : "IDD_MultiMessage", {burner_.copyIndex.load() + 1});
    }
    const int messageLeft = kMargin + kPlaceWidth + kMargin;
    auto* message = AddDialogControl<QLabel>(dialog, kMessage, QString::fromStdString(text), messageLeft, kMargin,
                                             kWidth - kMargin - messageLeft, kPlaceHeight);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const int top = kHeight - kMargin - kButtonHeight;
    auto* proceed = AddDialogControl<QPushButton>(dialog, IDOK, ProgString("IDD_Continue"),
                                                  kWidth - kMargin - 2 * kButtonWidth - 8, top, kButtonWidth,
                                                  kButtonHeight);
    auto* abort = AddDialogControl<QPushButton>(dialog, IDCANCEL, ProgString("IDD_Abort"),
                                                kWidth - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight);
    proceed->setDefault(true);
    QObject::connect(proceed, &QPushButton::clicked, dialog, [dialog] { dialog->done(1); });
    QObject::connect(abort, &QPushButton::clicked, dialog, [dialog] { dialog->done(0); });

    timer_ = new QTimer(dialog);
    timer_->setObjectName(QString::number(kPollTimer));
    QObject::connect(timer_, &QTimer::timeout, dialog, [this] { OnTimer(); });
    timer_->start(burner_.Timing().insertDiscPollMs);
    dialog->raise();
    dialog->activateWindow();
}

void CInsertDiscDlg::OnTimer() {
    if (dialog_ == nullptr || !dialog_->isVisible()) return;
    frame_ = (frame_ + 1) % kInsertDiscFrames;
    dialog_->update(frameRect_);
    // A written disc left in the writer is not ready: only a blank one is.
    if (burner_.writing.load() || burner_.IsDiscReady()) {
        dialog_->done(1);
    } else if (!burner_.threadRunning.load()) {
        dialog_->done(0);
    }
}

void CInsertDiscDlg::OnPaint(QPainter& painter) {
    if (strip_.GetBitmap().isNull()) return;
    strip_.DrawTransparent(painter, frameRect_, QPoint(frame_ * kInsertDiscFrameWidth, 0));
}
