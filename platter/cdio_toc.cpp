#include "platter/cdio_toc.h"

#include <cdio/cdio.h>

#include "platter/types.h"

bool ReadCdioToc(CdIo_t* cdio, TDiscToc& toc, std::string& why) {
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0 || count > PLATTER_MAX_TRACKS) {
        why = "The disc has no usable track list.";
        return false;
    }
    toc = TDiscToc{};
    toc.firstTrack = first;
    for (track_t t = first; t < first + count; ++t) {
        TTocTrack track;
        track.lsn = cdio_get_track_lsn(cdio, t);
        track.data = cdio_get_track_format(cdio, t) != TRACK_FORMAT_AUDIO;
        toc.tracks.push_back(track);
    }
    toc.leadoutLsn = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    return ValidateToc(toc, why);
}
