#include "songsmith/prefs/preference_names.h"

#include <cstring>

std::string IndexedValueName(const char* prefix, int index) {
    return prefix + std::to_string(index);
}

TITLEFETCH_TSite MakeDefaultPreferenceSite() {
    TITLEFETCH_TSite site = MakeDefaultSite();
    std::strcpy(site.secondText, "N000.00, W000.00");
    std::strcpy(site.description, "Random freedb server");
    return site;
}
