#pragma once
// Whether the system can handle Windows Media audio: the sound engine asks
// before it loads the media module.

// 1 when the media module (mediacore) beside the program can be loaded, else
// 0. $SONGSMITH_WMA_SUPPORT set to "0" or "1" overrides the answer (tests
// use it to simulate a system with or without the module).
extern "C" int MV_SupportsWMA();
