// The packaging tool has no window: the decoder's message pump step only
// passes on what a record check has decoded so far.
#include "engine/message_pump.h"
#include "scrpack/record_check.h"

void RunMessagePumpStep(void)
{
    RecordCheckPumpStep();
}
