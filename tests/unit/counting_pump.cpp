// Stands in for the installer's message pump step in the unit tests.
#include "tests/unit/counting_pump.h"

#include "engine/extraction.h"
#include "engine/message_pump.h"

int pumpStepCount;
void (*pumpStepHook)(void);

void RunMessagePumpStep(void)
{
    pumpStepCount++;
    if (pumpStepHook)
        pumpStepHook();
}

void ResetPumpAndAbort(void)
{
    pumpStepCount = 0;
    pumpStepHook = nullptr;
    abortRequested = 0;
    abortExempt = 0;
}
