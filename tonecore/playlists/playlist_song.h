#pragma once
// What a playlist entry learns from its song: the song is loaded as a sound
// and the entry takes its tags, length, size, formats and CD-quality flag.

class CFileObj;
class TONECORE_CMusicInfo;

// Loads the song of the open file and fills the record from it, keeping the
// record's path. False, with the record unchanged, when the song does not
// load.
bool FillRecordFromSong(CFileObj& file, TONECORE_CMusicInfo& record);

// Titles the record by the file name of its path less the extension (its
// last four characters: ".mp3"); a name of four characters or fewer is kept
// whole, so a short name never becomes an empty or cut-off title. Every
// song without a title of its own is named by this one rule.
void TitleFromFileName(TONECORE_CMusicInfo& record);
