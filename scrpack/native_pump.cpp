// The packaging tool has no window: the decoder's message pump step does
// nothing here.
#include "engine/message_pump.h"

void RunMessagePumpStep(void)
{
}
