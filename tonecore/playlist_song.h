#pragma once
// What a playlist entry learns from its song: the song is loaded as a sound
// and the entry takes its tags, length, size, formats and CD-quality flag.

class CFileObj;
class TONECORE_CMusicInfo;

// Loads the song of the open file and fills the record from it, keeping the
// record's path. False, with the record unchanged, when the song does not
// load.
bool FillRecordFromSong(CFileObj& file, TONECORE_CMusicInfo& record);
