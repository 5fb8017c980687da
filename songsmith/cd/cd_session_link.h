#pragma once
// A CD page's ripped songs in the session: a ripped row that gets marked is
// added to the session (through the song actions, as the CD list), and the
// session's track then takes the row's song information; unmarking takes it
// out again. The session is the track list bound in cd_page_services.h.

struct TCDTrackRow;

// Adds a ripped row (100 %) whose song the session does not hold yet. The
// row is in the session afterwards only when the session took the song.
void AddCdRowToSession(TCDTrackRow& row);
// Takes the row's song out of the session when the session holds it.
void RemoveCdRowFromSession(TCDTrackRow& row);
