#pragma once
// Temporary files that a burn may still be reading. A session track owns
// the converted copy of its song that a burn writes from; when the track is
// deleted while a burn runs, deleting that file at once would pull it from
// under the writer. While a burn holds the files, deletions wait on a
// pending list, and the burn deletes them when it ends.

// The burn starts using the tracks' temporary files.
void HoldTrackFilesForBurn();
// The burn has ended: every deletion that waited is done now.
void ReleaseTrackFilesAfterBurn();
// Deletes the file now, or when the running burn ends. An empty path does
// nothing.
void DeleteTrackFileWhenFree(const char* path);
// The file at path is in use again (made anew under a name whose deletion
// waits): its waiting deletion is dropped. An empty path does nothing.
void KeepTrackFile(const char* path);
