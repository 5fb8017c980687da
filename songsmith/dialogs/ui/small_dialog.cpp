#include "songsmith/dialogs/ui/small_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "platform/message_box.h"
#include "songsmith/library/genre_table.h"
#include "songsmith/app/keyed_message.h"
#include "songsmith/library/tag_fields.h"
#include "songsmith/app/ui/prog_string.h"
#include "utilities/ui/center_window.h"

namespace {

// The Qt window: forwards the close box and Escape to the dialog object.
class CSmallDialogFrame : public QDialog {
public:
    CSmallDialogFrame(QWidget* parent, CSmallDialog& owner) : QDialog(parent), owner_(owner) {}

protected:
    void reject() override { owner_.OnEscape(); }
    void closeEvent(QCloseEvent* event) override {
        if (isVisible()) owner_.OnClose();
        event->accept();
    }

private:
    CSmallDialog& owner_;
};

constexpr int kYearRole = Qt::UserRole;
constexpr int kGenreRole = Qt::UserRole;

}  // namespace

CSmallDialog::~CSmallDialog() {
    delete dialog_.data();
}

QDialog* CSmallDialog::Build(QWidget* owner) {
    delete dialog_.data();
    result_ = kStillOpen;
    if (!BeforeOpen()) return nullptr;
    auto* frame = new CSmallDialogFrame(owner, *this);
    dialog_ = frame;
    OnInitDialog(*frame);
    Place(*frame, owner);
    return frame;
}

QDialog* CSmallDialog::Open(QWidget* owner) {
    QDialog* dialog = Build(owner);
    if (dialog != nullptr) dialog->show();
    return dialog;
}

int CSmallDialog::DoModal(QWidget* owner) {
    QDialog* dialog = Build(owner);
    if (dialog == nullptr) return 2;
    dialog->exec();
    delete dialog_.data();
    // A window that went without a command (its owner closing) was closed.
    return result_ == kStillOpen ? 0 : result_;
}

void CSmallDialog::Place(QDialog& dialog, QWidget* owner) {
    CenterWindow(&dialog, owner);
}

void CSmallDialog::OnCommand(int id) {
    if (id == IDOK) OnOk();
    if (id == IDCANCEL) OnCancel();
}

void CSmallDialog::End(int result) {
    result_ = result;
    if (dialog_ != nullptr) dialog_->done(result);
}

QLabel* CSmallDialog::AddLabel(int id, const QString& text, QRect where) {
    auto* label = new QLabel(text, dialog_);
    label->setObjectName(QString::number(id));
    // Keyed texts and record texts alike are shown as they stand.
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(where);
    return label;
}

QLineEdit* CSmallDialog::AddEdit(int id, std::string_view text, QRect where) {
    auto* edit =
        new QLineEdit(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), dialog_);
    edit->setObjectName(QString::number(id));
    edit->setGeometry(where);
    return edit;
}

QPushButton* CSmallDialog::AddButton(int id, const QString& text, QRect where, bool isDefault) {
    auto* button = new QPushButton(text, dialog_);
    button->setObjectName(QString::number(id));
    button->setGeometry(where);
    button->setAutoDefault(false);
    button->setDefault(isDefault);
    QObject::connect(button, &QPushButton::clicked, dialog_, [this, id] { OnCommand(id); });
    return button;
}

void CSmallDialog::AddOkCancel(const char* okKey, int top, int width) {
    constexpr int kButtonWidth = 90;
    constexpr int kButtonHeight = 24;
    constexpr int kGap = 8;
    constexpr int kMargin = 12;
    AddButton(1, ProgString(okKey),
              {width - kMargin - 2 * kButtonWidth - kGap, top, kButtonWidth, kButtonHeight}, true);
    AddButton(2, ProgString("Cancel"),
              {width - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight});
    dialog_->setFixedSize(width, top + kButtonHeight + kMargin);
}

QCheckBox* CSmallDialog::AddCheckBox(int id, const QString& text, QRect where, bool checked) {
    auto* box = new QCheckBox(text, dialog_);
    box->setObjectName(QString::number(id));
    PlaceButton(box, where);
    box->setChecked(checked);
    return box;
}

QRadioButton* CSmallDialog::AddRadio(int id, const QString& text, QRect where, bool checked) {
    auto* radio = new QRadioButton(text, dialog_);
    radio->setObjectName(QString::number(id));
    PlaceButton(radio, where);
    radio->setChecked(checked);
    return radio;
}

QComboBox* CSmallDialog::AddYearList(int id, QRect where) {
    auto* list = new QComboBox(dialog_);
    list->setObjectName(QString::number(id));
    list->setGeometry(where);
    list->setMaxVisibleItems(12);
    for (int year = YearListFirst(); year >= kYearListLast; --year)
        list->addItem(QString::fromStdString(YearText(year)), year);
    // A year kept from the record is the list's placeholder: drawn as
    // plainly as a chosen one, not greyed like a hint.
    QPalette palette = list->palette();
    palette.setColor(QPalette::PlaceholderText, palette.color(QPalette::ButtonText));
    list->setPalette(palette);
    list->setCurrentIndex(-1);
    return list;
}

QComboBox* CSmallDialog::AddGenreList(int id, QRect where) {
    auto* list = new QComboBox(dialog_);
    list->setObjectName(QString::number(id));
    list->setGeometry(where);
    list->setEditable(true);
    // A name typed is read as typed: no completion that would change it, and
    // it never joins the table's lines.
    list->setCompleter(nullptr);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setMaxVisibleItems(12);
    for (int index = 0; index < kGenreTableCount; ++index)
        list->addItem(QString::fromUtf8(GenreTableName(index)), index);
    list->setCurrentIndex(-1);
    return list;
}

std::string CSmallDialog::ControlText(int id, std::size_t bufferBytes) const {
    QString text;
    if (auto* edit = Control<QLineEdit>(id); edit != nullptr) {
        text = edit->text();
    } else if (auto* list = Control<QComboBox>(id); list != nullptr) {
        text = list->currentText();
    }
    return std::string(CutToBuffer(text.toStdString(), bufferBytes));
}

void CSmallDialog::FocusAndSelect(int id) {
    QWidget* control = Control(id);
    if (control == nullptr) return;
    control->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(control); edit != nullptr) edit->selectAll();
    if (auto* list = qobject_cast<QComboBox*>(control);
        list != nullptr && list->lineEdit() != nullptr)
        list->lineEdit()->selectAll();
}

bool CSmallDialog::VerifyField(int id, const char* fieldName) {
    if (!TrimBlanks(ControlText(id, kVerifyFieldBytes)).empty()) return true;
    const std::string title = KeyedText("VerifyField_Title");
    ShowKeyedMessage(static_cast<QWidget*>(dialog_), "VerifyField", {fieldName},
                     MB_OK | MB_ICONWARNING, title.c_str());
    FocusAndSelect(id);
    return false;
}

void PlaceButton(QAbstractButton* button, QRect where) {
    if (button == nullptr) return;
    where.setWidth(std::min(where.width(), button->sizeHint().width()));
    button->setGeometry(where);
}

void ShowYear(QComboBox* list, int year) {
    if (list == nullptr) return;
    const int line = list->findData(year, kYearRole);
    list->setCurrentIndex(line);
    list->setPlaceholderText(line < 0 && year != 0 ? QString::fromStdString(YearText(year))
                                                   : QString());
}

int ReadYear(const QComboBox* list) {
    if (list == nullptr) return 0;
    const QString text = list->currentIndex() >= 0 ? list->currentText() : list->placeholderText();
    return YearFromText(text.toStdString());
}

void ShowGenreNumber(QComboBox* list, int number, std::string_view otherText) {
    if (list == nullptr) return;
    const int line =
        number >= 0 && number < kGenreTableCount ? list->findData(number, kGenreRole) : -1;
    list->setCurrentIndex(line);
    if (line < 0)
        list->setEditText(
            QString::fromUtf8(otherText.data(), static_cast<qsizetype>(otherText.size())));
}

void ShowGenreName(QComboBox* list, std::string_view name) {
    if (list == nullptr) return;
    const std::int32_t index = GenreTableIndex(name);
    ShowGenreNumber(list, index == kNoGenre ? -1 : index, name);
}

std::string GenreListText(const QComboBox* list) {
    return list == nullptr ? std::string() : list->currentText().toStdString();
}
