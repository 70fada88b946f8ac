// The unit tests' pump step, for the decoder and the stored copy: counts
// its runs, can call a hook (so a test can answer "Cancel" in the middle of
// a loop) and asks to stop as the installer's step does, when
// abortRequested is set and abortExempt is clear.
#ifndef TESTS_UNIT_COUNTING_PUMP_H
#define TESTS_UNIT_COUNTING_PUMP_H

#include "package/pump_hook.h"

extern const PumpHook countingPump;
extern int pumpStepCount;
extern void (*pumpStepHook)(void);

// Zeroes the count, removes the hook and clears the abort flags.
void ResetPumpAndAbort(void);

#endif
