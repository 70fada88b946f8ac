// The message pump step run by the long loops of the extraction.
#ifndef ENGINE_MESSAGE_PUMP_H
#define ENGINE_MESSAGE_PUMP_H

// Hands every waiting message of the thread to the progress dialog (an
// HWND) or to its window; an ExtractionPump's pumpMessages.
void RunMessagePumpStep(void *progressDialog);

#endif
