// Stands in for the installer's pump step in the unit tests.
#include "tests/unit/counting_pump.h"

#include "engine/portable/rules.h"

int pumpStepCount;
void (*pumpStepHook)(void);

static int CountPumpStep(void *)
{
    pumpStepCount++;
    if (pumpStepHook)
        pumpStepHook();
    return abortRequested && !abortExempt;
}

const PumpHook countingPump = {CountPumpStep, nullptr};

void ResetPumpAndAbort(void)
{
    pumpStepCount = 0;
    pumpStepHook = nullptr;
    abortRequested = 0;
    abortExempt = 0;
}
