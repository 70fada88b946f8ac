// The missingTypes list and the rule that appends to it.
#include "engine/system_registration.h"

char missingTypes[kMissingTypesSize];

// Stand-in until the media check is built.
void AppendMissingType(char *list, const char *path)
{
    (void)list;
    (void)path;
}
