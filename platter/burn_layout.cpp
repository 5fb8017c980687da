#include "platter/burn_layout.h"

#include <libburn/libburn.h>

#include <string>

using namespace burn;

namespace {

// A text for a CD-Text pack: ISO 8859-1 with its terminating zero.
std::vector<unsigned char> PackText(const std::string& utf8) {
    const std::string latin1 = CdTextTitle(utf8);
    std::vector<unsigned char> bytes(latin1.begin(), latin1.end());
    bytes.push_back(0);
    return bytes;
}

bool SetSessionTitle(burn_session* session, const std::string& title) {
    int charCodes[8] = {};  // 0x00: ISO 8859-1
    int copyrights[8] = {};
    int languages[8] = {kCdTextLanguageEnglish};
    if (burn_session_set_cdtext_par(session, charCodes, copyrights, languages, 0) <= 0) return false;
    std::vector<unsigned char> text = PackText(title);
    char name[] = "TITLE";
    return burn_session_set_cdtext(session, 0, 0, name, text.data(), static_cast<int>(text.size()), 0) > 0;
}

bool SetTrackTitle(burn_track* track, const std::string& title) {
    std::vector<unsigned char> text = PackText(title);
    char name[] = "TITLE";
    return burn_track_set_cdtext(track, 0, 0, name, text.data(), static_cast<int>(text.size()), 0) > 0;
}

}  // namespace

CBurnLayout::~CBurnLayout() {
    // The disc holds the session and the session its tracks; each frees
    // what it holds when its own count drops.
    if (session_ != nullptr) burn_session_free(session_);
    if (disc_ != nullptr) burn_disc_free(disc_);
}

bool CBurnLayout::Build(const TWritePlan& plan, const std::vector<burn_source*>& feeds, bool withCdText) {
    bool ok = feeds.size() == plan.tracks.size();
    disc_ = burn_disc_create();
    session_ = burn_session_create();
    ok = ok && disc_ != nullptr && session_ != nullptr && burn_disc_add_session(disc_, session_, BURN_POS_END) != 0;
    if (ok && withCdText) ok = SetSessionTitle(session_, plan.discTitle);
    for (std::size_t i = 0; i < feeds.size(); ++i) {
        if (feeds[i] == nullptr) {
            ok = false;
            continue;
        }
        burn_track* track = ok ? burn_track_create() : nullptr;
        if (track != nullptr) {
            // Audio, padded to whole sectors by us already.
            burn_track_define_data(track, 0, 0, 1, BURN_AUDIO);
            // The silence after the previous track leads into this one.
            const std::int32_t gap = i > 0 ? plan.tracks[i - 1].gapSectors : 0;
            if (gap > 0) ok = burn_track_set_pregap_size(track, gap, 0) > 0;
            ok = ok && burn_track_set_source(track, feeds[i]) == BURN_SOURCE_OK;
            ok = ok && burn_track_set_size(track, static_cast<off_t>(plan.tracks[i].sectors) * 2352) > 0;
            if (ok && withCdText) ok = SetTrackTitle(track, plan.tracks[i].title);
            ok = ok && burn_session_add_track(session_, track, BURN_POS_END) != 0;
            // The session keeps its own reference.
            burn_track_free(track);
        } else {
            ok = false;
        }
        // The track keeps its own reference to the feed.
        burn_source_free(feeds[i]);
    }
    return ok;
}
