// The pre-install checks (Windows only; their portable rules are in
// flow/portable/rules.h).
#ifndef FLOW_CHECKS_H
#define FLOW_CHECKS_H

#include <windows.h>

#include <stdint.h>

#include "flow/portable/rules.h"

// Each returns 1 to go on and 0 to stop the installation.  CheckDiskSpace
// sets *totalInstallBytes to the sum of the installed sizes of all file
// records (left as it was when the manifest can't be reached).
int CheckExistingScreenSaver(const char *screenSaverName);
int CheckDiskSpace(uint32_t *totalInstallBytes);
int ShowLicense(HINSTANCE instance);

// Free space of the drive holding directory, in kilobytes; 0xFFFFFFFF when
// it can't be had.
uint32_t GetFreeDiskKB(const char *directory);

INT_PTR CALLBACK LicenseDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
