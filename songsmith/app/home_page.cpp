#include "songsmith/app/home_page.h"

namespace {
constexpr const char* kHomeFolder = "https://www.trackpress.example/songsmith/";
}  // namespace

std::string HomePageAddress(const char* page, const char* query) {
    std::string address = kHomeFolder;
    address += page != nullptr ? page : "";
    if (query != nullptr && *query != '\0') {
        address += '?';
        address += query;
    }
    return address;
}
