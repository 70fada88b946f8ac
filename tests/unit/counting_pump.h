// The unit tests' message pump step: counts its runs and can call a hook,
// so a test can answer "Cancel" in the middle of a loop.
#ifndef TESTS_UNIT_COUNTING_PUMP_H
#define TESTS_UNIT_COUNTING_PUMP_H

extern int pumpStepCount;
extern void (*pumpStepHook)(void);

// Zeroes the count, removes the hook and clears the abort flags.
void ResetPumpAndAbort(void);

#endif
