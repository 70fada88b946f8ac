// The extraction's pump step, shared by the stored copy and the decoder.
#include "engine/portable/rules.h"

int ExtractionPumpStep(void *context)
{
    ExtractionPump *pump = (ExtractionPump *)context;
    pump->pumpMessages(pump->window);
    return pump->abortRequested && !pump->abortExempt;
}
