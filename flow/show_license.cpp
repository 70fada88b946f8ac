// ShowLicense and LicenseDlgProc: the package's licence for acceptance.
#include "flow/checks.h"

// Stand-in until the pre-install checks are built: always goes on.
int ShowLicense(HINSTANCE instance)
{
    (void)instance;
    return 1;
}
