// The extraction's own pump step, with a counting stand-in for the
// message pump.
#include "tests/unit/counting_pump.h"

int pumpStepCount;
void (*pumpStepHook)(void);

static void CountPumpStep(void *)
{
    pumpStepCount++;
    if (pumpStepHook)
        pumpStepHook();
}

ExtractionPump testPump = {0, 0, CountPumpStep, nullptr};
const PumpHook countingPump = {ExtractionPumpStep, &testPump};

void ResetPumpAndAbort(void)
{
    pumpStepCount = 0;
    pumpStepHook = nullptr;
    testPump.abortRequested = 0;
    testPump.abortExempt = 0;
}
