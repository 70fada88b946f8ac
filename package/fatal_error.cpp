// FatalError: a destination write fell short (a full disk, for instance).
// The install can't be finished sensibly, so the process ends at once,
// through the normal exit, with status 0 and no message.
#include <stdlib.h>

#include "package/decoder_state.h"

void FatalError(void)
{
    exit(0);
}
