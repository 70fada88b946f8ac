// The abort request and its exemption, shared by the stored copy and the
// decoder.
#include "engine/portable/rules.h"

int32_t abortRequested;
int32_t abortExempt;
