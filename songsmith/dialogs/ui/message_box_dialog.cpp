#include "songsmith/dialogs/ui/message_box_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "platform/message_box.h"
#include "songsmith/dialogs/ui/message_box.h"
#include "songsmith/app/ui/prog_string.h"

namespace layout = message_box_layout;

CMessageBoxDialog::CMessageBoxDialog(QWidget* owner, CMessageBox& box) : QDialog(owner), box_(box) {
    setObjectName(QString::number(kMessageBoxDialogId));
    resize(layout::kWidth, layout::kHeight);

    auto* icon = new QLabel(this);
    icon->setObjectName(QString::number(kMessageBoxIcon));
    icon->setGeometry(layout::kMargin, layout::kMargin, layout::kIconSize, layout::kIconSize);

    auto* text = new QLabel(this);
    text->setObjectName(QString::number(kMessageBoxText));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setTextFormat(Qt::PlainText);
    text->setGeometry(layout::kTextLeft, layout::kMargin, layout::kTextWidth, layout::kTextHeight);

    auto* check = new QCheckBox(ProgString("MB_DontAskAgain"), this);
    check->setObjectName(QString::number(kMessageBoxCheck));
    check->setGeometry(layout::kTextLeft, layout::kCheckTop, layout::kTextWidth, layout::kCheckHeight);

    AddButton(IDOK, "OK");
    AddButton(IDCANCEL, "Cancel");
    AddButton(IDYES, "Yes");
    AddButton(IDNO, "No");
}

void CMessageBoxDialog::reject() { box_.OnClose(); }

void CMessageBoxDialog::AddButton(int id, const char* key) {
    auto* button = new QPushButton(ProgString(key), this);
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    button->setGeometry(0, layout::kButtonTop, layout::kButtonWidth, layout::kButtonHeight);
    connect(button, &QPushButton::clicked, this, [this, id] { box_.OnButton(id); });
}
