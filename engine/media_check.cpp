// The media check: can the system's media layer open an installed file?
#include <windows.h>

#include <mmsystem.h>

#include "engine/system_registration.h"
#include "package/package_format.h"
#include "texts.h"

// Opens the file by its extension, then with the MPEG video device; 1 when
// either open worked (the device is closed again at once).
static int MediaLayerOpens(const char *shortPath)
{
    MCI_OPEN_PARMSA open = {};
    char deviceType[] = TEXT_MEDIA_DEVICE;
    open.lpstrDeviceType = deviceType;
    open.lpstrElementName = shortPath;
    if (mciSendCommandA(0, MCI_OPEN, MCI_OPEN_ELEMENT, (DWORD_PTR)&open) != 0 &&
        mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, (DWORD_PTR)&open) != 0)
        return 0;
    MCI_GENERIC_PARMS close = {};
    mciSendCommandA(open.wDeviceID, MCI_CLOSE, 0, (DWORD_PTR)&close);
    return 1;
}

void CheckMediaSupport(const char *dataFilePath, char *missingTypes)
{
    // Without a short path (the file is missing) there is nothing to open:
    // the file counts as refused, as a failed open would.  Asking the media
    // layer with an empty name could let the device open without a file.
    char shortPath[kNameFieldSize] = "";
    DWORD length = GetShortPathNameA(dataFilePath, shortPath, sizeof shortPath);
    if (length > 0 && length < sizeof shortPath && MediaLayerOpens(shortPath))
        return;
    AppendMissingType(missingTypes, dataFilePath);
}
