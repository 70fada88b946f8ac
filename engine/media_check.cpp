// The media check: can the system's media layer open an installed file?
#include <windows.h>

#include <mmsystem.h>

#include "engine/system_registration.h"
#include "package/path_buffer.h"
#include "system_dlls/system_dlls.h"
#include "texts.h"

typedef MCIERROR(WINAPI *MciSendCommandProc)(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR);

// mciSendCommandA from the system folder's WINMM.DLL, loaded when the first
// file is checked and kept for the rest of the run; NULL when the system has
// no media layer.  Process-wide because the DLL is loaded once per process.
static MciSendCommandProc MediaLayer(void)
{
    static int tried;
    static MciSendCommandProc sendCommand;
    if (!tried) {
        tried = 1;
        HMODULE winmm = LoadSystemDll("WINMM.DLL");
        if (winmm != NULL)
            sendCommand = (MciSendCommandProc)(void (*)(void))GetProcAddress(winmm, "mciSendCommandA");
    }
    return sendCommand;
}

// Opens the file by its extension, then with the MPEG video device; 1 when
// either open worked (the device is closed again at once).  Without a media
// layer nothing opens.
static int MediaLayerOpens(const char *shortPath)
{
    MciSendCommandProc sendCommand = MediaLayer();
    if (sendCommand == NULL)
        return 0;
    MCI_OPEN_PARMSA open = {};
    char deviceType[] = TEXT_MEDIA_DEVICE;
    open.lpstrDeviceType = deviceType;
    open.lpstrElementName = shortPath;
    if (sendCommand(0, MCI_OPEN, MCI_OPEN_ELEMENT, (DWORD_PTR)&open) != 0 &&
        sendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, (DWORD_PTR)&open) != 0)
        return 0;
    MCI_GENERIC_PARMS close = {};
    sendCommand(open.wDeviceID, MCI_CLOSE, 0, (DWORD_PTR)&close);
    return 1;
}

void CheckMediaSupport(const char *dataFilePath, char *missingTypes)
{
    // Without a short path (the file is missing) there is nothing to open:
    // the file counts as refused, as a failed open would.  Asking the media
    // layer with an empty name could let the device open without a file.
    char shortPath[kPathBufferSize] = "";
    DWORD length = GetShortPathNameA(dataFilePath, shortPath, sizeof shortPath);
    if (length > 0 && length < sizeof shortPath && MediaLayerOpens(shortPath))
        return;
    AppendMissingType(missingTypes, dataFilePath);
}
