// RunMessagePumpStep: keeps the progress dialog alive during long work.
#include "engine/message_pump.h"

#include <windows.h>

void RunMessagePumpStep(void *progressDialog)
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA((HWND)progressDialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}
