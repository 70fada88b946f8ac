// RunMessagePumpStep: keeps the progress dialog alive during long work.
#include "engine/message_pump.h"

#include <windows.h>

#include "engine/extraction.h"

void RunMessagePumpStep(void)
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(progressWindow, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}
