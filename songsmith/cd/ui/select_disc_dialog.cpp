#include "songsmith/cd/ui/select_disc_dialog.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "songsmith/app/ui/prog_string.h"
#include "utilities/ui/center_window.h"

namespace {

constexpr int kDialogWidth = 420;
constexpr int kMargin = 12;
constexpr int kGap = 8;
constexpr int kListHeight = 150;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// The close box ends the dialog with 0, unlike Cancel.
class CSelectDiscFrame : public QDialog {
public:
    explicit CSelectDiscFrame(QWidget* parent) : QDialog(parent) {}
    void reject() override { done(0); }
};

QString MatchLine(const TITLEFETCH_TQResult& match) {
    return QString::fromUtf8(match.artist) + " - " + QString::fromUtf8(match.title) + " (" +
           QString::fromUtf8(match.genre) + ")";
}

}  // namespace

CSelectDiscDlg::~CSelectDiscDlg() { delete dialog_.data(); }

int CSelectDiscDlg::DoModal(QWidget* owner, const MvList<TITLEFETCH_TQResult*>& matches) {
    chosen_ = TITLEFETCH_TQResult{};
    auto* frame = new CSelectDiscFrame(owner);
    dialog_ = frame;
    OnInitDialog(*frame, matches);
    const int result = frame->exec();
    delete frame;
    return result;
}

void CSelectDiscDlg::OnInitDialog(QDialog& dialog, const MvList<TITLEFETCH_TQResult*>& matches) {
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setWindowTitle(ProgString("SelectDisc_Title"));
    const int width = kDialogWidth - 2 * kMargin;

    auto* text = new QLabel(ProgString("SelectDisc_Text"), &dialog);
    text->setObjectName(QString::number(kText));
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    const int textHeight = std::max(text->heightForWidth(width), text->fontMetrics().height());
    text->setGeometry(kMargin, kMargin, width, textHeight);

    list_ = new QListWidget(&dialog);
    list_->setObjectName(QString::number(kList));
    list_->setGeometry(kMargin, kMargin + textHeight + kGap, width, kListHeight);
    shown_.clear();
    for (const TITLEFETCH_TQResult* match : matches) {
        if (match == nullptr) continue;
        auto* line = new QListWidgetItem(MatchLine(*match), list_);
        line->setData(Qt::UserRole, static_cast<qulonglong>(match->discId));
        shown_.push_back(match);
    }
    auto* none = new QListWidgetItem(ProgString("SelectDisc_None"), list_);
    none->setData(Qt::UserRole, qulonglong{0});
    list_->setCurrentRow(0);
    QObject::connect(list_, &QListWidget::itemDoubleClicked, &dialog, [this] { OnCommand(kIdOk); });

    const int buttonsTop = list_->y() + kListHeight + kGap + 4;
    auto* cancel = new QPushButton(ProgString("Cancel"), &dialog);
    cancel->setObjectName(QString::number(kIdCancel));
    cancel->setGeometry(kDialogWidth - kMargin - kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight);
    auto* ok = new QPushButton(ProgString("OK"), &dialog);
    ok->setObjectName(QString::number(kIdOk));
    ok->setGeometry(cancel->x() - kGap - kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, [this] { OnCommand(kIdOk); });
    QObject::connect(cancel, &QPushButton::clicked, &dialog, [this] { OnCommand(kIdCancel); });
    dialog.setFixedSize(kDialogWidth, buttonsTop + kButtonHeight + kMargin);
    CenterWindow(&dialog, dialog.parentWidget());
}

void CSelectDiscDlg::OnCommand(int id) {
    if (dialog_ == nullptr) return;
    if (id == kIdOk) {
        const int row = list_->currentRow();
        chosen_ = row >= 0 && static_cast<std::size_t>(row) < shown_.size() ? *shown_[static_cast<std::size_t>(row)]
                                                                             : TITLEFETCH_TQResult{};
        dialog_->done(kIdOk);
    } else if (id == kIdCancel) {
        chosen_ = TITLEFETCH_TQResult{};
        dialog_->done(kIdCancel);
    }
}
