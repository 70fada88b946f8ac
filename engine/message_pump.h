// The message pump step run by the long loops of the extraction.
#ifndef ENGINE_MESSAGE_PUMP_H
#define ENGINE_MESSAGE_PUMP_H

// Hands every waiting message of the thread to the progress dialog or to
// its window.  Native builds (tests, tools) link a stand-in of their own.
void RunMessagePumpStep(void);

#endif
