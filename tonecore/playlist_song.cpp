#include "tonecore/playlist_song.h"

#include "filekit/file_obj.h"
#include "tonecore/music_info.h"

bool FillRecordFromSong(CFileObj& file, TONECORE_CMusicInfo& record) {
    (void)file;
    (void)record;
    return false;
}
