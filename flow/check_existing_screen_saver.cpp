// CheckExistingScreenSaver: asks before replacing a same-name screen saver.
#include "flow/checks.h"

// Stand-in until the pre-install checks are built: always goes on.
int CheckExistingScreenSaver(void)
{
    return 1;
}
