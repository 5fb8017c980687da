#include "utilities/ui/product_panel.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "filekit/reg_key.h"
#include "testsupport/gui_input.h"
#include "testsupport/temp_dir.h"
#include "testsupport/widget_png.h"
#include "utilities/keyed_text.h"
#include "utilities/launch_browser.h"
#include "utilities/ui/product_table.h"

namespace {

constexpr int kCodesWithProducts[] = {1, 2, 4, 5, 8};

// Every test starts and ends without the maker's registry keys, and with
// the browser replaced by a list of what it was asked to open.
class ProductPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveMakerKeys();
        previousHook_ = SetLaunchBrowserHook([this](const char* url) {
            opened_.emplace_back(url);
            return browserAnswer_;
        });
    }
    void TearDown() override {
        SetLaunchBrowserHook(previousHook_);
        RemoveMakerKeys();
    }

    static void RemoveMakerKeys() {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            CRegKey key(root);
            CRegKey* software = key.GetSubKey("Software");
            if (software != nullptr) software->DeleteSubKeys("Marovelle");
            DeleteRegKey(&software);
        }
    }

    // Sets a value (a text) under root's key, creating the key.
    static void SetValue(HKEY root, const char* path, const char* name, const char* text) {
        CRegKey key(root);
        CRegKey* sub = key.CreateSubKey(path);
        ASSERT_NE(sub, nullptr);
        if (name != nullptr) {
            EXPECT_EQ(sub->SetKeyString(name, text), 1);
        }
        DeleteRegKey(&sub);
    }

    std::vector<std::string> opened_;
    bool browserAnswer_ = true;
    LaunchBrowserHook previousHook_;
};

std::string LinkOf(void (*function)(int, char*), int code) {
    char link[kProductLinkSize] = "untouched";
    function(code, link);
    return link;
}

TEST_F(ProductPanelTest, EachCodeGetsItsOwnPagesOrTheGeneralOnes) {
    for (int code = -1; code <= 9; ++code) {
        const bool product = code == 1 || code == 2 || code == 4 || code == 8;
        const std::string download = LinkOf(ProductDownload, code);
        const std::string purchase = LinkOf(ProductPurchaseLink, code);
        const std::string info = LinkOf(ProductInfoLink, code);
        EXPECT_EQ(download == kGeneralDownloadPage, !product) << code;
        EXPECT_EQ(purchase == kGeneralPurchasePage, !product) << code;
        EXPECT_EQ(info == kGeneralProductsPage, !product) << code;
        for (const std::string& link : {download, purchase, info}) {
            EXPECT_NE(link.find("src=utilm"), std::string::npos) << code << " " << link;
        }
    }
    // Only codes 1, 2 and 4 have an installer; 1 and 2 share one.
    EXPECT_EQ(LinkOf(ProductDirectDownload, 1), LinkOf(ProductDirectDownload, 2));
    EXPECT_NE(LinkOf(ProductDirectDownload, 4), LinkOf(ProductDirectDownload, 1));
    EXPECT_NE(LinkOf(ProductDirectDownload, 4).find("src=utilm"), std::string::npos);
    for (int code : {-1, 0, 3, 5, 6, 7, 8, 9}) {
        EXPECT_EQ(LinkOf(ProductDirectDownload, code), "untouched") << code;
    }
    // Each product's pages are its own.
    EXPECT_NE(LinkOf(ProductDownload, 1), LinkOf(ProductDownload, 2));
    EXPECT_NE(LinkOf(ProductInfoLink, 4), LinkOf(ProductInfoLink, 8));
}

TEST_F(ProductPanelTest, AResellersPurchaseLinkWinsAndIsCutToTheBuffer) {
    SetValue(HKEY_CURRENT_USER, "Software\\Marovelle", "BuyAffiliate-4",
             "https://reseller.example/songsmith?src=utilm");
    EXPECT_EQ(LinkOf(ProductPurchaseLink, 4), "https://reseller.example/songsmith?src=utilm");
    EXPECT_EQ(LinkOf(ProductPurchaseLink, 2), FindProductRow(2)->purchasePage);
    // Under the local machine it does not count.
    SetValue(HKEY_LOCAL_MACHINE, "Software\\Marovelle", "BuyAffiliate-8", "https://elsewhere.example/");
    EXPECT_EQ(LinkOf(ProductPurchaseLink, 8), FindProductRow(8)->purchasePage);

    const std::string huge = "https://reseller.example/" + std::string(3000, 'x');
    SetValue(HKEY_CURRENT_USER, "Software\\Marovelle", "BuyAffiliate-5", huge.c_str());
    char link[kProductLinkSize + 16];
    std::memset(link, '#', sizeof link);
    ProductPurchaseLink(5, link);
    EXPECT_EQ(std::string(link), huge.substr(0, kProductLinkSize - 1));
    EXPECT_EQ(link[kProductLinkSize], '#');
}

TEST_F(ProductPanelTest, AProductIsInstalledWhenItsKeyExists) {
    for (int code : {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}) EXPECT_EQ(ProductInstalled(code), 0) << code;
    SetValue(HKEY_CURRENT_USER, "Software\\Marovelle\\Songsmith", nullptr, nullptr);
    EXPECT_EQ(ProductInstalled(4), 1);
    // The audio editor is installed for the machine, not for the user.
    SetValue(HKEY_CURRENT_USER, "Software\\Marovelle\\AudioEditor", nullptr, nullptr);
    EXPECT_EQ(ProductInstalled(1), 0);
    SetValue(HKEY_LOCAL_MACHINE, "Software\\Marovelle\\AudioEditor", nullptr, nullptr);
    EXPECT_EQ(ProductInstalled(1), 1);
    EXPECT_EQ(ProductInstalled(5), 0);
}

TEST_F(ProductPanelTest, ExecuteCountsOnlyARealStart) {
    testsupport::TempDir dir;
    EXPECT_EQ(ProductExecute(3, nullptr, nullptr), 0);
    EXPECT_EQ(ProductExecute(5, nullptr, nullptr), 0);
    EXPECT_EQ(ProductExecute(4, nullptr, nullptr), 0) << "not installed";
    SetValue(HKEY_CURRENT_USER, "Software\\Marovelle\\Songsmith", "SongsmithDir",
             dir.File("gone").c_str());
    EXPECT_EQ(ProductExecute(4, nullptr, nullptr), 0) << "the location is missing";
    EXPECT_TRUE(opened_.empty());

    // A folder is opened on the desktop.
    SetValue(HKEY_CURRENT_USER, "Software\\Marovelle\\Songsmith", "SongsmithDir", dir.Path().c_str());
    EXPECT_EQ(ProductExecute(4, "-x", nullptr), 1);
    EXPECT_EQ(opened_, std::vector<std::string>{dir.Path()});
    browserAnswer_ = false;
    EXPECT_EQ(ProductExecute(4, nullptr, nullptr), 0);

    // A program is run with the parameters.
    const std::string script = dir.File("songsmith.sh");
    const std::string out = dir.File("args.txt");
    testsupport::WriteWholeFile(script, "#!/bin/sh\nprintf '<%s>' \"$@\" > \"" + out + ".tmp\"\n"
                                        "mv \"" + out + ".tmp\" \"" + out + "\"\n");
    ASSERT_EQ(chmod(script.c_str(), 0755), 0);
    SetValue(HKEY_CURRENT_USER, "Software\\Marovelle\\Songsmith", "SongsmithDir", script.c_str());
    EXPECT_EQ(ProductExecute(4, "-play \"My Songs/a b.mp3\"  last", nullptr), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !testsupport::ReadWholeFile(out).empty(); },
                                testsupport::kHangLimitMs));
    EXPECT_EQ(testsupport::ReadWholeFile(out), "<-play><My Songs/a b.mp3><last>");
}

// The dialog's texts as the user sees them.
struct TShownTexts {
    QString caption, description, slogan, download, buyNow, moreInfo, close;
};

TShownTexts TextsOf(QDialog* dialog) {
    auto text = [dialog](int id) {
        if (auto* button = testsupport::FindControl<QPushButton>(dialog, id)) return button->text();
        if (auto* label = testsupport::FindControl<QLabel>(dialog, id)) return label->text();
        return QStringLiteral("(missing)");
    };
    return {dialog->windowTitle(), text(1005), text(1026), text(1000),
            text(1001), text(1004), text(1)};
}

TEST_F(ProductPanelTest, TheAdvertisementShowsTheProductsTexts) {
    const struct {
        int code;
        const char* dialogId;
    } dialogs[] = {{4, "101"}, {2, "102"}, {1, "103"}, {5, "104"}, {8, "105"}};
    for (const auto& d : dialogs) {
        const std::unique_ptr<QDialog> dialog = CreateAdvertisementDialog(nullptr, d.code);
        ASSERT_NE(dialog, nullptr) << d.code;
        EXPECT_EQ(dialog->objectName(), d.dialogId);
        const TShownTexts texts = TextsOf(dialog.get());
        // A missing text would show its key.
        for (const QString& text : {texts.caption, texts.description, texts.slogan}) {
            EXPECT_FALSE(text.startsWith("USGB_")) << d.code << " " << text.toStdString();
            EXPECT_FALSE(text.contains("\\n")) << "escapes become line breaks";
        }
        EXPECT_TRUE(texts.description.contains('\n')) << d.code;
    }
    for (int code : {-1, 0, 3, 6, 7, 9}) EXPECT_EQ(CreateAdvertisementDialog(nullptr, code), nullptr);

    const std::unique_ptr<QDialog> songsmith = CreateAdvertisementDialog(nullptr, 4);
    const TShownTexts texts = TextsOf(songsmith.get());
    EXPECT_EQ(texts.caption, "Songsmith");
    EXPECT_EQ(texts.download, "Download");
    EXPECT_EQ(texts.buyNow, "Buy Now");
    EXPECT_EQ(texts.moreInfo, "More Info");
    EXPECT_EQ(texts.close, "Close");
    EXPECT_TRUE(testsupport::FindControl<QPushButton>(songsmith.get(), 1)->isDefault());
}

TEST_F(ProductPanelTest, TheButtonsOpenThePagesAndCloseEndsWithOne) {
    SetValue(HKEY_CURRENT_USER, "Software\\Marovelle", "BuyAffiliate-4", "https://reseller.example/a");
    const std::unique_ptr<QDialog> dialog = CreateAdvertisementDialog(nullptr, 4);
    dialog->show();
    testsupport::SaveWidgetPng(dialog.get(), QStringLiteral("advertisement_songsmith"));
    for (int id : {1001, 1000, 1004}) testsupport::ClickControl(dialog.get(), id);
    EXPECT_EQ(opened_, (std::vector<std::string>{"https://reseller.example/a",
                                                 LinkOf(ProductDownload, 4),
                                                 LinkOf(ProductInfoLink, 4)}));
    EXPECT_TRUE(dialog->isVisible()) << "opening a page keeps the dialog";
    testsupport::ClickControl(dialog.get(), 1);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);

    // Closing the window, or Escape, is the close request: also 1.
    dialog->setResult(0);
    dialog->show();
    dialog->close();
    EXPECT_EQ(dialog->result(), 1);
    dialog->setResult(0);
    dialog->show();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
}

TEST_F(ProductPanelTest, ShowingRunsTheDialogModallyCentredOverItsOwner) {
    QWidget owner;
    owner.setGeometry(50, 60, 800, 600);
    owner.show();
    QString shownId;
    QPoint centreOffset;
    testsupport::WhenModalShown([&](QWidget* modal) {
        shownId = modal->objectName();
        centreOffset = modal->frameGeometry().center() - owner.frameGeometry().center();
        testsupport::ClickControl(modal, 1004);
        testsupport::ClickControl(modal, 1);
    });
    ProductShowAdvertisement(&owner, 8);
    EXPECT_EQ(shownId, "105");
    EXPECT_LE(centreOffset.manhattanLength(), 2);
    EXPECT_EQ(opened_, std::vector<std::string>{LinkOf(ProductInfoLink, 8)});

    // The random advertisement is the bundle's.
    testsupport::WhenModalShown([&](QWidget* modal) {
        shownId = modal->objectName();
        testsupport::SaveWidgetPng(modal, QStringLiteral("advertisement_bundle"));
        testsupport::ClickControl(modal, 1001);
        testsupport::ClickControl(modal, 1);
    });
    ProductShowRandomAd(4, &owner);
    EXPECT_EQ(shownId, "104");
    EXPECT_EQ(opened_.back(), kGeneralPurchasePage);

    // A code without a product shows nothing and returns at once.
    ProductShowAdvertisement(&owner, 3);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(ProductPanelTest, EveryProductsTextsAreShipped) {
    for (int code : kCodesWithProducts) {
        const TProductRow* row = FindProductRow(code);
        ASSERT_NE(row, nullptr);
        for (const char* key : {row->captionKey, row->descriptionKey}) {
            char text[1024];
            MyLoadString(key, text, sizeof text, GetUtilityStringFile().c_str());
            EXPECT_STRNE(text, key) << "missing from utility-strings.ini";
        }
    }
}

}  // namespace
