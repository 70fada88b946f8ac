// ParseInstallMode: the one command line switch the installer knows.
#include "flow/portable/rules.h"

#include <string.h>

#include "package/text_rules.h"

InstallMode ParseInstallMode(const char *commandLine)
{
    if (commandLine == NULL)
        return kInstallModeInteractive;
    // Only one candidate is examined: a "/" anywhere hides every "-".
    const char *switchChar = strchr(commandLine, '/');
    if (switchChar == NULL)
        switchChar = strchr(commandLine, '-');
    if (switchChar != NULL && UpperAscii(switchChar[1]) == 'S')
        return kInstallModeSilent;
    return kInstallModeInteractive;
}
