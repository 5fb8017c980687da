#pragma once
// What the burn controller asks of the main window. Any thread may call
// these; the window hands drawing on to its own thread.

#include <string>

#include "songsmith/app/app_message.h"

class IBurnerHost {
public:
    virtual ~IBurnerHost() = default;
    // The status bar's state text.
    virtual void SetStateText(const std::string& text) = 0;
    // The logo panel's mode and level (the progress of the running step, 0.0
    // to 1.0).
    virtual void SetLogoMode(int mode) = 0;
    virtual void SetLogoLevel(double level) = 0;
    // The session list's totals and the window title.
    virtual void RefreshTotalsAndTitle() = 0;
    // Looks up the CD page of the writer's drive (a device or image path)
    // for WriterPageRipping; on the main thread, whenever the writer is
    // chosen.
    virtual void FindWriterPage(const std::string& driveText) = 0;
    // Whether the CD page of the writer's drive rips, and whether any CD page does.
    virtual bool WriterPageRipping() = 0;
    virtual bool AnyPageRipping() = 0;
    // Where the burn's end and errors are posted (kNoReceiver: nowhere).
    virtual TReceiverId WindowReceiver() = 0;
};
