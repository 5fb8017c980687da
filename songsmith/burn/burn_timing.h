#pragma once
// Every interval of a burn, in ms. The program uses these values; tests
// shorten them. Each wait is one condition-variable wait of at most the
// interval, ended early by an abort or a changed request.

struct TBurnTiming {
    int stopWaitMs = 16000;          // how long the window waits for the worker to stop
    int workerWaitLongMs = 500;      // the worker's waits for rips, loading and answers
    int workerWaitMidMs = 400;
    int workerWaitShortMs = 250;
    int preWriteWindowMs = 7000;     // the window before a write in which the user may still stop
    int pacingSliceMs = 50;          // rendering rests this long ...
    int pacingPeriodMs = 200;        // ... every this many ms
    int dialogTickMs = 2000;         // the progress dialog's ticks
    int dialogShortTickMs = 1000;
    int insertDiscPollMs = 200;      // the insert-disc dialog's look at the drive
    int successAnimationMs = 70;     // a frame of the success animation
    int afterTrackFileMs = 100;      // rest after a track file is closed
    int firstDiscPromptMs = 1000;    // the first insert-disc prompt after the progress dialog's first tick
    int nextDiscPromptMs = 7000;     // the next prompt after the insert-disc dialog closed
};
