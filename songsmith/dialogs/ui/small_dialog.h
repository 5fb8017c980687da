#pragma once
// CSmallDialog: what the program's small modal dialogs share (the tag
// editors and the library's questions). Each dialog is an object that owns
// its state and builds a thin QDialog in code; its controls carry their ids
// as objectName. A dialog ends with the id of its confirming button (1 for
// OK or Save), 2 for Cancel and 0 when its window is closed.
//
// Open builds and shows the window without waiting, so the logic can be
// driven and read back without a modal loop; DoModal is Open followed by
// the wait.

#include <QDialog>
#include <QPointer>
#include <QRect>
#include <QString>
#include <string>
#include <string_view>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

class CSmallDialog {
public:
    // Result() while the dialog has not ended.
    static constexpr int kStillOpen = -1;
    // The id of a text that nothing refers to.
    static constexpr int kNoId = -1;

    CSmallDialog() = default;
    virtual ~CSmallDialog();
    CSmallDialog(const CSmallDialog&) = delete;
    CSmallDialog& operator=(const CSmallDialog&) = delete;

    // Builds the window over owner, centres it and shows it; null when the
    // dialog refuses to open (nothing to edit).
    QDialog* Open(QWidget* owner);
    // Open, then waits until the dialog ends; its result (2 when it did not
    // open).
    int DoModal(QWidget* owner);
    QDialog* Window() const { return dialog_; }
    int Result() const { return result_; }

    // The window's events: a button (1 and 2 are OK and Cancel), Escape,
    // and the close box (ends with 0).
    virtual void OnCommand(int id);
    virtual void OnEscape() { OnCommand(2); }
    virtual void OnClose() { End(0); }

protected:
    // Runs before the window is built; false keeps the dialog from opening.
    virtual bool BeforeOpen() { return true; }
    // Creates the controls, fills them and sizes the window.
    virtual void OnInitDialog(QDialog& dialog) = 0;
    // Where the window goes; centred on its owner unless a dialog says
    // otherwise.
    virtual void Place(QDialog& dialog, QWidget* owner);
    virtual void OnOk() { End(1); }
    virtual void OnCancel() { End(2); }
    // Ends the dialog with result (hides the window, leaves a modal wait).
    void End(int result);

    // Controls, each carrying id as its objectName.
    QLabel* AddLabel(int id, const QString& text, QRect where);
    QLineEdit* AddEdit(int id, std::string_view text, QRect where);
    // A click sends OnCommand(id).
    QPushButton* AddButton(int id, const QString& text, QRect where, bool isDefault = false);
    // OK (the default button, its text from okKey) and Cancel at the right
    // of a window width pixels wide, at top; sizes the window to end below
    // them.
    void AddOkCancel(const char* okKey, int top, int width);
    QCheckBox* AddCheckBox(int id, const QString& text, QRect where, bool checked);
    QRadioButton* AddRadio(int id, const QString& text, QRect where, bool checked);
    // The year list: next year down to 1900, each line carrying its year.
    QComboBox* AddYearList(int id, QRect where);
    // The genre list: the genre table's names in order, each line carrying
    // its index; the user may also type a name.
    QComboBox* AddGenreList(int id, QRect where);

    template <typename T = QWidget>
    T* Control(int id) const {
        return dialog_ == nullptr ? nullptr : dialog_->findChild<T*>(QString::number(id));
    }
    // The text of control id (an edit or a combo box) as UTF-8, cut to what
    // a buffer of bufferBytes holds with its terminator.
    std::string ControlText(int id, std::size_t bufferBytes) const;
    // Gives control id the focus with all its text selected.
    void FocusAndSelect(int id);
    // The required-field check: the text of id, trimmed, must not be empty.
    // Otherwise the user is warned (fieldName: "Title", "Artist" or
    // "Album"), the field gets the focus with its text selected, and the
    // answer is false.
    bool VerifyField(int id, const char* fieldName);

private:
    // Builds, fills and places the window without showing it.
    QDialog* Build(QWidget* owner);

    QPointer<QDialog> dialog_;
    int result_ = kStillOpen;
};

// Rows of a label beside its field, as the editors lay them out: the label
// column at the left margin, the fields after it, a row every 30 pixels.
class CFieldRows {
public:
    static constexpr int kMargin = 12;
    static constexpr int kRowHeight = 24;
    static constexpr int kRowStep = 30;

    // top: the first row's top; windowWidth: the window's, whose right
    // margin ends the full-width fields.
    CFieldRows(int top, int labelWidth, int windowWidth)
        : top_(top), fieldLeft_(kMargin + labelWidth + 6), windowWidth_(windowWidth) {}

    int Top(int row) const { return top_ + row * kRowStep; }
    int FieldLeft() const { return fieldLeft_; }
    // The label of row, a little lower than its field so their texts line up.
    QRect Label(int row) const {
        return {kMargin, Top(row) + 3, fieldLeft_ - 6 - kMargin, kRowHeight - 6};
    }
    // The field of row, width wide (0: up to the right margin).
    QRect Field(int row, int width = 0) const {
        return {fieldLeft_, Top(row), width > 0 ? width : windowWidth_ - fieldLeft_ - kMargin,
                kRowHeight};
    }
    // Where buttons go below rows of fields.
    int ButtonsTop(int rows) const { return Top(rows) + 8; }

private:
    int top_;
    int fieldLeft_;
    int windowWidth_;
};

// Places a check box or radio button in where, only as wide as its text
// needs: a click beside the text does not toggle it, so the control ends
// where its text does.
void PlaceButton(QAbstractButton* button, QRect where);

// The year list's value: the year of the selected line; with none selected,
// the year shown as the list's text (a year outside the list that came with
// the record), or 0.
void ShowYear(QComboBox* list, int year);
int ReadYear(const QComboBox* list);
// Selects the line carrying genre number (0 to 125). With no such line none
// is selected and the list's text is otherText: a genre name that is not in
// the table stays as the record had it, so saving does not blank it.
void ShowGenreNumber(QComboBox* list, int number, std::string_view otherText = {});
// Selects the line whose name is name; otherwise none, with name as the
// list's text.
void ShowGenreName(QComboBox* list, std::string_view name);
// The genre list's text as UTF-8 (a selected name or the text typed).
std::string GenreListText(const QComboBox* list);
