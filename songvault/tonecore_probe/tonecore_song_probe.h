#pragma once
// The song probe the program installs in the song database: tags, length and
// format through the sound engine's readers. MP3, MP2 and MP1 files: the ID3
// v2 tag (an ID3 v1 tag when there is none) and the frame scan with its Xing
// header. WAV files: "fmt ", "data" and the LIST "INFO" texts. WMA files:
// the engine's WMA reading (length, bit rate and attributes), which needs the
// media module; without it they answer false and the import leaves them out.

#include "songvault/song_probe.h"

class CTonecoreSongProbe : public ISongProbe {
public:
    bool Probe(const char* path, TSongProbeResult& result) override;
};
