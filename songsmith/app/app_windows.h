#pragma once
// The program's windows that others post to, each by the receiver id it got
// when it was made. A window sets its id when it is made and clears it when
// it goes, so a worker thread, the song actions or the player can post to
// it from any thread without holding a pointer to it; a window not made yet
// (or gone already) takes no post.

#include "songsmith/app/app_message.h"

enum class EAppWindow : int {
    kMainWindow,
    kToolbar,
    kSessionList,
    kFindTab,
    kLibraryTab,
    kPlayerPanel,
};
inline constexpr int kAppWindowCount = 6;

// Sets the window's receiver; kNoReceiver when the window goes.
void SetAppWindowReceiver(EAppWindow window, TReceiverId receiver);
// The window's receiver; kNoReceiver while it is not made.
TReceiverId AppWindowReceiver(EAppWindow window);
// Posts to the window. False, with the payload freed, when the window is
// not made or the post is refused.
bool PostToAppWindow(EAppWindow window, TAppMessage message);
