#pragma once
// The table of the maker's products behind the promotion functions.

// One product. Links are null where the product has none.
struct TProductRow {
    int code;
    bool localMachine;           // its registry key lies under the local machine
    const char* installedKey;    // null: nothing to install (the bundle)
    const char* locationValue;   // value of installedKey holding the install location
    const char* installerLink;
    const char* downloadPage;
    const char* purchasePage;
    const char* infoPage;
    int dialogId;                // identifier of its advertisement dialog
    const char* captionKey;      // keyed texts of utility-strings.ini
    const char* descriptionKey;
};

// The row of code; null for a code that names nothing.
const TProductRow* FindProductRow(int code);

// Pages for codes without a page of their own.
extern const char* const kGeneralDownloadPage;
extern const char* const kGeneralPurchasePage;
extern const char* const kGeneralProductsPage;
// Key and value name (with the code) of a reseller's purchase link.
extern const char* const kMakerKey;
extern const char* const kAffiliateValueFormat;
