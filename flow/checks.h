// The pre-install checks and the number formatter.
#ifndef FLOW_CHECKS_H
#define FLOW_CHECKS_H

#include <stdint.h>

enum { kFormattedNumberSize = 32 };

// Sum of the installed sizes of all file records (made by CheckDiskSpace).
extern uint32_t totalInstallBytes;

// Writes value in decimal with thousands commas into a buffer of at least
// kFormattedNumberSize bytes and returns the buffer.
char *FormatThousands(uint32_t value, char *buffer);

#ifdef _WIN32
#include <windows.h>

// Each returns 1 to go on and 0 to stop the installation.
int CheckExistingScreenSaver(void);
int CheckDiskSpace(void);
int ShowLicense(HINSTANCE instance);

// Free space of the drive holding directory, in kilobytes; 0xFFFFFFFF when
// it can't be had.
uint32_t GetFreeDiskKB(const char *directory);

INT_PTR CALLBACK LicenseDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
#endif

#endif
