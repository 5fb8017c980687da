#include "songsmith/dialogs/ui/about_dialog.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "songsmith/app/command_ids.h"
#include "songsmith/app/home_page.h"
#include "songsmith/app/ui/main_window.h"
#include "songsmith/app/ui/prog_string.h"
#include "songsmith/drawing/ui/program_pictures.h"
#include "utilities/ui/center_window.h"
#include "utilities/ui/link_control.h"

namespace {

constexpr int kDialogWidth = 351;
constexpr int kMargin = 10;
constexpr int kTextWidth = kDialogWidth - 2 * kMargin;
constexpr int kPictureWidth = 331;
constexpr int kPictureHeight = 141;
constexpr int kRowGap = 4;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kCreditsHeight = 20;

// The texts by control, top to bottom. A text with a partner is a caption
// on the left of the row, its partner's text beside it.
struct TAboutRow {
    int id;
    const char* key;
    int partnerId;
    const char* partnerKey;
};
const TAboutRow kRows[] = {
    {1133, "AD_Copyrights", 0, nullptr},
    {1134, "AD_CopyrightCompanies", 0, nullptr},
    {1131, "AD_Author", 0, nullptr},
    {1106, "AD_Thanks", 1107, "AD_ThanksWho"},
    {1104, "AD_Address", 0, nullptr},
    // The link takes the partner's place.
    {1102, "AD_Website", CAboutDlg::kLink, nullptr},
};

QLabel* AddText(QDialog& dialog, int id, const char* key) {
    auto* label = new QLabel(key != nullptr ? ProgString(key) : QString(), &dialog);
    label->setObjectName(QString::number(id));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// Places label at top across width, as tall as its text; returns the height.
int PlaceText(QLabel* label, int left, int top, int width) {
    const int height = std::max(label->heightForWidth(width), label->fontMetrics().height());
    label->setGeometry(left, top, width, height);
    return height;
}

// The credits line paints itself: its text at the top left on the button
// face, red while the dialog's blink flag is set, else black.
class CCreditsLine : public QWidget {
public:
    CCreditsLine(QWidget* parent, const CAboutDlg& owner, QString text)
        : QWidget(parent), owner_(owner), text_(std::move(text)) {
        QFont credits = font();
        credits.setPixelSize(CAboutDlg::kCreditsFontPixels);
        credits.setWeight(QFont::Normal);
        setFont(credits);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Button));
        painter.setPen(owner_.Blinking() ? QColor(255, 0, 0) : QColor(0, 0, 0));
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text_);
    }

private:
    const CAboutDlg& owner_;
    QString text_;
};

class CAboutFrame : public QDialog {
public:
    CAboutFrame(QWidget* parent, CAboutDlg& owner) : QDialog(parent), owner_(owner) {}
    // The close box and Escape.
    void reject() override { owner_.OnCommand(2); }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        owner_.OnPaint(painter, event->rect());
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) owner_.OnLButtonUp(event->position().toPoint());
    }

private:
    CAboutDlg& owner_;
};

}  // namespace

CAboutDlg::CAboutDlg()
    : startTimer_(std::make_unique<QTimer>()), blinkTimer_(std::make_unique<QTimer>()) {
    startTimer_->setInterval(kStartDelayMs);
    blinkTimer_->setInterval(kBlinkIntervalMs);
    QObject::connect(startTimer_.get(), &QTimer::timeout, [this] { OnTimer(kStartTimer); });
    QObject::connect(blinkTimer_.get(), &QTimer::timeout, [this] { OnTimer(kBlinkTimer); });
}

CAboutDlg::~CAboutDlg() {
    startTimer_->stop();
    blinkTimer_->stop();
    delete dialog_.data();
}

bool CAboutDlg::DoModal(QWidget* parent) {
    auto* frame = new CAboutFrame(parent, *this);
    dialog_ = frame;
    OnInitDialog(*frame);
    result_ = frame->exec();
    OnDestroy();
    delete frame;
    return true;
}

void CAboutDlg::OnInitDialog(QDialog& dialog) {
    CreateControls(dialog);
    dialog.setWindowTitle(ProgString("AD_Name"));
    link_ = new CLinkControl(&dialog);
    link_->SubClass(dialog.findChild<QWidget*>(QString::number(kLink)), kWebSiteName,
                    HomePageAddress("index.htm", "src=about").c_str());
    if (picture_.LoadBitmapImage(kPictureAbout)) picture_.CreateTransparencyMask();
    if (QWidget* frame = dialog.findChild<QWidget*>(QString::number(kPictureFrame))) {
        pictureRect_ = frame->geometry();
    }
    blink_ = false;
    startTimer_->start();
    CenterWindow(&dialog, dialog.parentWidget());
}

void CAboutDlg::CreateControls(QDialog& dialog) {
    dialog.setObjectName(QString::number(kDialogId));

    // The picture's place; the dialog paints the picture there itself.
    auto* frame = new QFrame(&dialog);
    frame->setObjectName(QString::number(kPictureFrame));
    frame->setGeometry(kMargin, kMargin, kPictureWidth, kPictureHeight);
    frame->hide();

    // The captions' column is as wide as the widest caption.
    int captionWidth = 0;
    for (const TAboutRow& row : kRows) {
        if (row.partnerId != 0) captionWidth = std::max(captionWidth, AddText(dialog, row.id, row.key)->sizeHint().width());
    }
    captionWidth += 6;
    int top = kMargin + kPictureHeight + 2 * kRowGap;
    for (const TAboutRow& row : kRows) {
        auto* label = row.partnerId != 0 ? dialog.findChild<QLabel*>(QString::number(row.id))
                                         : AddText(dialog, row.id, row.key);
        if (row.partnerId == 0) {
            top += PlaceText(label, kMargin, top, kTextWidth) + kRowGap;
            continue;
        }
        const int height = PlaceText(label, kMargin, top, captionWidth);
        const int partnerHeight =
            PlaceText(AddText(dialog, row.partnerId, row.partnerKey), kMargin + captionWidth, top,
                      kTextWidth - captionWidth);
        top += std::max(height, partnerHeight) + kRowGap;
    }
    // The link needs a pixel below its text for the underline.
    if (QWidget* address = dialog.findChild<QWidget*>(QString::number(kLink))) {
        address->resize(address->width(), address->height() + 2);
    }

    top += kRowGap;
    auto* credits = new CCreditsLine(&dialog, *this, ProgString("AD_Credits"));
    credits->setObjectName(QString::number(kCredits));
    credits->setGeometry(kMargin, top, kTextWidth, kCreditsHeight);
    top += kCreditsHeight + 2 * kRowGap;

    auto* ok = new QPushButton(ProgString("OK"), &dialog);
    ok->setObjectName(QString::number(1));
    ok->setGeometry(kDialogWidth - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, [this] { OnCommand(1); });

    dialog.setFixedSize(kDialogWidth, top + kButtonHeight + kMargin);
}

void CAboutDlg::OnTimer(int id) {
    if (id == kStartTimer) {
        startTimer_->stop();
        blinkTimer_->start();
    } else if (id == kBlinkTimer) {
        blink_ = !blink_;
        if (dialog_ != nullptr) {
            if (QWidget* credits = dialog_->findChild<QWidget*>(QString::number(kCredits))) credits->update();
        }
    }
}

void CAboutDlg::OnCommand(int id) {
    // OK, Cancel and the close box all end the box the same way.
    if ((id == 1 || id == 2) && dialog_ != nullptr) dialog_->done(0);
}

void CAboutDlg::OnPaint(QPainter& painter, const QRect& update) {
    if (update.isEmpty() || pictureRect_.isEmpty()) return;
    picture_.DrawTransparent(painter, QRect(pictureRect_.topLeft(), picture_.GetClipBox().size()),
                             QPoint(0, 0));
}

void CAboutDlg::OnLButtonUp(QPoint point) {
    if (link_ != nullptr && link_->MouseOver(dialog_, point) != 0) link_->OpenLink();
}

void CAboutDlg::OnDestroy() {
    startTimer_->stop();
    blinkTimer_->stop();
    if (link_ != nullptr) link_->Restore();
    picture_.Release();
}

bool CAboutDlg::TimerRunning(int id) const {
    if (id == kStartTimer) return startTimer_->isActive();
    if (id == kBlinkTimer) return blinkTimer_->isActive();
    return false;
}

int CAboutDlg::TimerInterval(int id) const {
    if (id == kStartTimer) return startTimer_->interval();
    if (id == kBlinkTimer) return blinkTimer_->interval();
    return 0;
}

void ShowAboutDialog(QWidget* parent) {
    CAboutDlg about;
    about.DoModal(parent);
}

void SetAboutCommand(CMainWindow& mainWindow) {
    mainWindow.SetCommandHandler(cmd::kAbout, [&mainWindow] { ShowAboutDialog(mainWindow.Window()); });
}
