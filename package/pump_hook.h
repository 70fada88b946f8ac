// The pump-and-abort step that the long loops of the extraction (the
// decoder and the stored copy) take from their caller.  The installer's
// step hands the waiting messages to the progress dialog and then asks to
// stop when Cancel was confirmed and the file is not exempt; the packaging
// tool and the tests pass steps of their own.
#ifndef PACKAGE_PUMP_HOOK_H
#define PACKAGE_PUMP_HOOK_H

#include <stddef.h>

// Bytes handled between two steps.  A loop keeps a threshold that starts at
// 0: whenever its count of bytes handled exceeds it, the loop runs the step,
// stops when the step asks it to, and otherwise raises the threshold by
// kPumpInterval.  So the step runs right after the first piece of output
// and then each time the count passes a further multiple of kPumpInterval.
enum { kPumpInterval = 102400 };

struct PumpHook {
    // Runs the step; returns nonzero when the loop must stop.
    int (*step)(void *context);
    void *context;
};

// How the copy of one file (the decoder's or the stored copy) ended.
enum CopyEnd {
    kCopyWhole = 0,     // ran to the block's end
    kCopyCancelled = 1, // the pump step asked the loop to stop
    kCopyShortWrite = 2, // a write fell short (a full disk): the file is incomplete
    kCopyNotStarted = 3, // the destination could not be created: nothing was written
    kCopyInputEnded = 4, // the block's bytes ran out or could not be read: the package is cut short or damaged
};

// Runs the hook's step and returns nonzero when the loop must stop.  No
// hook, or one without a step, never stops a loop.
inline int RunPumpHook(const PumpHook *pump)
{
    return pump != NULL && pump->step != NULL && pump->step(pump->context) != 0;
}

#endif
