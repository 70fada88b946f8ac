// The unit tests' pump step, for the decoder and the stored copy: the
// installer's own step over testPump, whose message pump counts its runs
// and can call a hook (so a test can answer "Cancel" in the middle of a
// loop).
#ifndef TESTS_UNIT_COUNTING_PUMP_H
#define TESTS_UNIT_COUNTING_PUMP_H

#include "engine/portable/rules.h"
#include "package/pump_hook.h"

extern ExtractionPump testPump;
extern const PumpHook countingPump;
extern int pumpStepCount;
extern void (*pumpStepHook)(void);

// Zeroes the count, removes the hook and clears the abort flags.
void ResetPumpAndAbort(void);

#endif
