#pragma once
// The maker's other products: whether one is installed, its web pages,
// starting it, and a small advertisement dialog for it.

#include <cstddef>
#include <cstdint>
#include <memory>

#include <QDialog>

class QWidget;

// 1, 2, 4, 5 and 8 name products; 4 is this program, 5 a bundle of products
// (no installation of its own). Other values name nothing.
enum TProductCode : std::int32_t {
    kProductAudioEditor = 1,
    kProductSoundRecorder = 2,
    kProductSongsmith = 4,
    kProductBundle = 5,
    kProductLabelDesigner = 8,
};

// Bytes of the callers' link buffers, terminator included.
inline constexpr std::size_t kProductLinkSize = 1024;

// 1 when the product's registry key exists; 0 for the bundle and for codes
// that name nothing.
int ProductInstalled(int code);
// The installer of codes 1, 2 and 4 into link (kProductLinkSize bytes);
// other codes leave link as it was.
void ProductDirectDownload(int code, char* link);
// The product's download page; the general one for other codes.
void ProductDownload(int code, char* link);
// The value "BuyAffiliate-<code>" of the current user's maker key when it
// is set, else the product's purchase page, else the general one.
void ProductPurchaseLink(int code, char* link);
// The product's information page; the general products page for other codes.
void ProductInfoLink(int code, char* link);

// Shows the product's advertisement modally over owner; codes without one
// show nothing.
void ProductShowAdvertisement(QWidget* owner, int code);
// Shows the advertisement of the bundle; callingCode is the product asking.
void ProductShowRandomAd(int callingCode, QWidget* owner);
// The advertisement dialog of the product, not yet shown (null for codes
// without one); ProductShowAdvertisement runs it. Its buttons open the
// purchase (1001), download (1000) and information (1004) pages; Close (1)
// and closing the window end it with 1.
std::unique_ptr<QDialog> CreateAdvertisementDialog(QWidget* owner, int code);

// Starts the installed product with parameters: its stored install location
// is run when it is a program, else opened on the desktop. 1 when it was
// started; 0 for codes without a product, a missing location or a failed
// start (the thread's last error says why).
int ProductExecute(int code, const char* parameters, QWidget* owner);
