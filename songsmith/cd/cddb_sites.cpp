#include "songsmith/cd/cddb_sites.h"

#include <cstdio>
#include <cstring>

#include "songsmith/prefs/preferences.h"
#include "titlefetch/titlefetch.h"

namespace {

constexpr int kMinutesPerDegree = 60;

// The facade's answer when the server cannot be reached: the default site
// alone. It says nothing about the sites there are, so it replaces nothing.
bool IsOfflineAnswer(const MvList<TITLEFETCH_TSite*>& fetched) {
    return fetched.count == 1 && fetched.items[0] != nullptr &&
           SameSite(*fetched.items[0], MakeDefaultSite());
}

}  // namespace

int ChosenSiteIndex(const MvList<TITLEFETCH_TSite*>& sites, const char* host) {
    if (sites.count <= 0) return -1;
    int chosen = 0;
    for (int i = 0; i < sites.count; ++i) {
        const TITLEFETCH_TSite* site = sites.items[i];
        if (site != nullptr && host != nullptr && std::strcmp(site->host, host) == 0) chosen = i;
    }
    return chosen;
}

void ApplyChosenSite(const CPreferences& prefs, TITLEFETCH_CTitlefetch& titlefetch) {
    const int index = ChosenSiteIndex(prefs.Sites, prefs.CDDBSite);
    titlefetch.SetSite(index < 0 ? nullptr : prefs.Sites.items[index]);
}

const char* SiteLocationText(TITLEFETCH_TSite& site) {
    if (site.secondText[0] == '\0') {
        std::snprintf(site.secondText, sizeof site.secondText, "%c:%03d.%02d %c:%03d.%02d",
                      site.north != 0 ? 'N' : 'S', site.latitude / kMinutesPerDegree,
                      site.latitude % kMinutesPerDegree, site.east != 0 ? 'E' : 'W',
                      site.longitude / kMinutesPerDegree, site.longitude % kMinutesPerDegree);
    }
    return site.secondText;
}

bool SameSite(const TITLEFETCH_TSite& a, const TITLEFETCH_TSite& b) {
    return std::strcmp(a.host, b.host) == 0 && a.port == b.port &&
           std::strcmp(a.cgiPath, b.cgiPath) == 0 && std::strcmp(a.secondText, b.secondText) == 0 &&
           std::strcmp(a.description, b.description) == 0 && a.north == b.north &&
           a.east == b.east && a.latitude == b.latitude && a.longitude == b.longitude;
}

bool TakeFetchedSites(TITLEFETCH_CTitlefetch& titlefetch, MvList<TITLEFETCH_TSite*>& fetched, CPreferences& prefs) {
    if (fetched.count <= 0 || IsOfflineAnswer(fetched)) {
        titlefetch.DeallocSiteList(&fetched, false);
        return false;
    }
    prefs.DeleteSites();
    for (TITLEFETCH_TSite* site : fetched) {
        if (site == nullptr) continue;
        // A record the list cannot take is freed here, never lost.
        if (!prefs.Sites.Append(site)) delete site;
    }
    // The records are the preferences' now; only the array goes.
    fetched.Empty();
    return true;
}
