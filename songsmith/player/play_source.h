#pragma once
// Which list the player panel takes the next or previous song from: the
// list the user last played a song from sets it. One value for the whole
// program, read and written from the main thread and read by others.

enum EPlaySource : int {
    kPlaySourceFind = 0,
    kPlaySourceCd = 2,
    kPlaySourceLibrary = 3,
    kPlaySourceSession = 4,
};

void SetPlaySource(int source);
int GetPlaySource();
