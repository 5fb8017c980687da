// Whether a product is installed and its web links.
#include <cstdio>

#include "filekit/reg_key.h"
#include "utilities/text_copy.h"
#include "utilities/ui/product_panel.h"
#include "utilities/ui/product_table.h"

namespace {

void CopyLink(const char* text, char* link) {
    if (link != nullptr) textcopy::CopyTextCut(text, link, kProductLinkSize);
}

// The row's page, or the general one when the code has no row or the row no
// such page.
void CopyPage(int code, const char* TProductRow::*page, const char* general, char* link) {
    const TProductRow* row = FindProductRow(code);
    CopyLink(row != nullptr && row->*page != nullptr ? row->*page : general, link);
}

// The reseller's purchase link stored for code, copied into link; false when
// none is set.
bool CopyAffiliateLink(int code, char* link) {
    char name[32];
    std::snprintf(name, sizeof name, kAffiliateValueFormat, code);
    CRegKey user(HKEY_CURRENT_USER);
    CRegKey* maker = user.GetSubKey(kMakerKey);
    if (maker == nullptr) return false;
    const char* value = maker->GetKeyString(name);
    // A value of any length is cut to the caller's buffer.
    if (value != nullptr) CopyLink(value, link);
    DeleteRegKey(&maker);
    return value != nullptr;
}

}  // namespace

int ProductInstalled(int code) {
    const TProductRow* row = FindProductRow(code);
    if (row == nullptr || row->installedKey == nullptr) return 0;
    CRegKey root(row->localMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
    CRegKey* key = root.GetSubKey(row->installedKey);
    if (key == nullptr) return 0;
    DeleteRegKey(&key);
    return 1;
}

void ProductDirectDownload(int code, char* link) {
    const TProductRow* row = FindProductRow(code);
    if (row != nullptr && row->installerLink != nullptr) CopyLink(row->installerLink, link);
}

void ProductDownload(int code, char* link) {
    CopyPage(code, &TProductRow::downloadPage, kGeneralDownloadPage, link);
}

void ProductPurchaseLink(int code, char* link) {
    if (CopyAffiliateLink(code, link)) return;
    CopyPage(code, &TProductRow::purchasePage, kGeneralPurchasePage, link);
}

void ProductInfoLink(int code, char* link) {
    CopyPage(code, &TProductRow::infoPage, kGeneralProductsPage, link);
}
