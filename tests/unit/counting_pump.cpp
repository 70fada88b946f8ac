// Stands in for the installer's message pump step in the unit tests.
#include "tests/unit/counting_pump.h"

#include "engine/extraction.h"
#include "engine/message_pump.h"
#include "scrpack/record_check.h"

int pumpStepCount;
void (*pumpStepHook)(void);

void RunMessagePumpStep(void)
{
    pumpStepCount++;
    // scrpack's own step, for the record checks under test.
    RecordCheckPumpStep();
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
