// The install mode and how the command line selects it.
#ifndef FLOW_INSTALL_MODE_H
#define FLOW_INSTALL_MODE_H

#include <stdint.h>

enum { INSTALL_MODE_SILENT = 1, INSTALL_MODE_INTERACTIVE = 2 };

// 2 Interactive (initial), 1 Silent; set once by the entry point.  Every
// mode test asks whether it equals INSTALL_MODE_INTERACTIVE.
extern int32_t installMode;

// The first "/" in the line, or when there is none the first "-", followed
// by S or s selects Silent; anything else stays Interactive.
int32_t ParseInstallMode(const char *commandLine);

#endif
