// The small modal dialog that advertises one of the maker's products.
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

#include "utilities/keyed_text.h"
#include "utilities/launch_browser.h"
#include "utilities/text_format.h"
#include "utilities/ui/center_window.h"
#include "utilities/ui/product_panel.h"
#include "utilities/ui/product_table.h"

namespace {

// Control identifiers of the dialog.
constexpr int kCloseButton = 1;
constexpr int kDownloadButton = 1000;
constexpr int kBuyNowButton = 1001;
constexpr int kMoreInfoButton = 1004;
constexpr int kDescriptionText = 1005;
constexpr int kSloganText = 1026;

// Bytes read for each text of the dialog.
constexpr int kDialogTextSize = 1024;

// A text of the utilities' own keyed text file.
QString UtilityString(const char* key) {
    char text[kDialogTextSize];
    MyLoadString(key, text, sizeof text, GetUtilityStringFile().c_str());
    return QString::fromUtf8(text);
}

// A text with its written line-break escapes turned into line breaks.
QString UtilityParagraph(const char* key) {
    char text[kDialogTextSize];
    char parsed[kDialogTextSize];
    MyLoadString(key, text, sizeof text, GetUtilityStringFile().c_str());
    ParseCarriageReturns(text, parsed, sizeof parsed);
    QString paragraph = QString::fromUtf8(parsed);
    paragraph.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    paragraph.replace('\r', '\n');
    return paragraph;
}

using TLinkFunction = void (*)(int code, char* link);

class CAdvertisementDialog : public QDialog {
public:
    CAdvertisementDialog(QWidget* owner, const TProductRow& row) : QDialog(owner), code_(row.code) {
        setObjectName(QString::number(row.dialogId));
        setWindowTitle(UtilityString(row.captionKey));
        auto* description = Label(kDescriptionText, UtilityParagraph(row.descriptionKey));
        description->setWordWrap(true);
        description->setMinimumWidth(360);
        auto* slogan = Label(kSloganText, UtilityString("USGB_Slogan"));
        QFont bold = slogan->font();
        bold.setBold(true);
        slogan->setFont(bold);

        auto* buttons = new QHBoxLayout;
        buttons->addWidget(LinkButton(kDownloadButton, UtilityString("USGB_Download"), ProductDownload));
        buttons->addWidget(LinkButton(kBuyNowButton, UtilityString("USGB_BuyNow"), ProductPurchaseLink));
        buttons->addWidget(LinkButton(kMoreInfoButton, UtilityString("USGB_MoreInfo"), ProductInfoLink));
        buttons->addStretch();
        auto* close = Button(kCloseButton, UtilityString("USGB_Close"));
        close->setDefault(true);
        connect(close, &QPushButton::clicked, this, [this] { done(1); });
        buttons->addWidget(close);

        auto* layout = new QVBoxLayout(this);
        layout->addWidget(description);
        layout->addSpacing(8);
        layout->addWidget(slogan);
        layout->addSpacing(8);
        layout->addLayout(buttons);
        layout->setSizeConstraint(QLayout::SetFixedSize);
    }

    // Escape and the window's close button are the close request: result 1.
    void reject() override { done(1); }

protected:
    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        CenterWindow(this, parentWidget());
    }

private:
    QLabel* Label(int id, const QString& text) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QString::number(id));
        return label;
    }

    QPushButton* Button(int id, const QString& text) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(QString::number(id));
        button->setAutoDefault(false);
        return button;
    }

    // A button that opens the page the link function gives for the product.
    QPushButton* LinkButton(int id, const QString& text, TLinkFunction linkOf) {
        QPushButton* button = Button(id, text);
        connect(button, &QPushButton::clicked, this, [this, linkOf] {
            char link[kProductLinkSize] = "";
            linkOf(code_, link);
            LaunchBrowser(link, this, 1);
        });
        return button;
    }

    int code_;
};

}  // namespace

std::unique_ptr<QDialog> CreateAdvertisementDialog(QWidget* owner, int code) {
    const TProductRow* row = FindProductRow(code);
    if (row == nullptr) return nullptr;
    return std::make_unique<CAdvertisementDialog>(owner, *row);
}

void ProductShowAdvertisement(QWidget* owner, int code) {
    if (std::unique_ptr<QDialog> dialog = CreateAdvertisementDialog(owner, code)) dialog->exec();
}

void ProductShowRandomAd(int /*callingCode*/, QWidget* owner) {
    ProductShowAdvertisement(owner, kProductBundle);
}
