#include "songsmith/library/ui/save_database_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "songsmith/app/ui/prog_string.h"
#include "utilities/ui/center_window.h"

namespace {

constexpr int kDialogWidth = 400;
constexpr int kDialogHeight = 190;
constexpr int kMargin = 12;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 24;
constexpr int kButtonGap = 8;

class CSaveDatabaseFrame : public QDialog {
public:
    CSaveDatabaseFrame(QWidget* parent, CSaveDatabaseDlg& owner) : QDialog(parent), owner_(owner) {}
    // The close box and Escape are Cancel.
    void reject() override { owner_.OnCommand(CSaveDatabaseDlg::kCancel); }

private:
    CSaveDatabaseDlg& owner_;
};

}  // namespace

CSaveDatabaseDlg::~CSaveDatabaseDlg() { delete dialog_.data(); }

int CSaveDatabaseDlg::DoModal(QWidget* parent) {
    auto* frame = new CSaveDatabaseFrame(parent, *this);
    dialog_ = frame;
    OnInitDialog(*frame);
    const int result = frame->exec();
    delete frame;
    return result;
}

void CSaveDatabaseDlg::OnInitDialog(QDialog& dialog) {
    dialog.setObjectName(QString::number(kDialogId));
    dialog.setFixedSize(kDialogWidth, kDialogHeight);
    dialog.setWindowTitle(ProgString("Program Name"));

    const struct {
        int id;
        const char* key;
        int top;
        int height;
    } lines[] = {{1471, "LibTab_SaveDBLabel1", kMargin, 34},
                 {1472, "LibTab_SaveDBLabel2", 50, 34},
                 {1473, "LibTab_SaveDBLabel3", 88, 50}};
    for (const auto& line : lines) {
        auto* label = new QLabel(ProgString(line.key), &dialog);
        label->setObjectName(QString::number(line.id));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(kMargin, line.top, kDialogWidth - 2 * kMargin, line.height);
    }

    const struct {
        int id;
        const char* key;
    } buttons[] = {{kRetry, "Retry"}, {kNewDrive, "New Drive"}, {kCancel, "Cancel"}};
    int left = kDialogWidth - kMargin - 3 * kButtonWidth - 2 * kButtonGap;
    for (const auto& entry : buttons) {
        auto* button = new QPushButton(ProgString(entry.key), &dialog);
        button->setObjectName(QString::number(entry.id));
        button->setGeometry(left, kDialogHeight - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
        button->setDefault(entry.id == kRetry);
        QObject::connect(button, &QPushButton::clicked, &dialog, [this, id = entry.id] { OnCommand(id); });
        left += kButtonWidth + kButtonGap;
    }
    CenterWindowOnScreen(&dialog);
}

void CSaveDatabaseDlg::OnCommand(int id) {
    if (dialog_ == nullptr) return;
    // Each button ends the question with its own number; nothing else does.
    if (id == kRetry || id == kNewDrive || id == kCancel) dialog_->done(id);
}
