#pragma once
// The CDDB sites the preferences keep: which one is chosen, the location
// text shown for a site, and taking over a freshly fetched site list.

#include "titlefetch/mv_list.h"
#include "titlefetch/site.h"

class CPreferences;
class TITLEFETCH_CTitlefetch;

// The index of the last site whose host equals host exactly (a later entry
// for the same host wins), else 0; -1 for an empty list.
int ChosenSiteIndex(const MvList<TITLEFETCH_TSite*>& sites, const char* host);

// Hands the title lookup the site the CD pages ask: the site record whose
// host is the preferences' chosen host (the last such, as the Remote
// Database page shows it chosen), else the first; the default site when
// the preferences keep none.
void ApplyChosenSite(const CPreferences& prefs, TITLEFETCH_CTitlefetch& titlefetch);

// The site's location text (its second text). An empty one is first made
// from the coordinates, as "N:037.17 W:121.42" (hemisphere, degrees and
// minutes), and kept in the record, so it is saved with the sites.
const char* SiteLocationText(TITLEFETCH_TSite& site);

// True when every field of a equals that of b.
bool SameSite(const TITLEFETCH_TSite& a, const TITLEFETCH_TSite& b);

// Takes a site list that titlefetch's GetSiteList fetched (on a thread of
// its own, say). When it holds sites, the preferences' records are freed and
// the fetched ones take their place (owned by the preferences from then on);
// true. Nothing fetched (an error, an empty list, or the lone default site
// the facade gives when it cannot reach the server) leaves the stored sites
// as they are and frees what came; false. fetched is empty afterwards.
bool TakeFetchedSites(TITLEFETCH_CTitlefetch& titlefetch, MvList<TITLEFETCH_TSite*>& fetched, CPreferences& prefs);
