// What an install leaves on the system, and under which names: the one
// definition that the installer writes by, the uninstaller removes by and
// scrpack checks and lists by.
#ifndef PACKAGE_INSTALLED_NAMES_H
#define PACKAGE_INSTALLED_NAMES_H

#include <stddef.h>
#include <stdint.h>

// The files in the data folder that are not named by the package.
#define TEXT_INSTALL_LOG "INSTALL.LOG"
#define TEXT_UNINSTALLER_NAME "UNINSTAL.EXE"
// The data folder's levels below the common application data folder.
#define TEXT_MAKER_FOLDER "Quillmoor"
#define TEXT_PRODUCT_FOLDER "Glimmerkit"
// The parent of each screen saver's uninstall entry under
// HKEY_LOCAL_MACHINE (without a closing backslash), and the entry's value
// that names the uninstaller.
#define TEXT_UNINSTALL_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
#define TEXT_UNINSTALL_STRING "UninstallString"
// The system's default screen saver entry.
#define TEXT_SYSTEM_INI "system.ini"
#define TEXT_BOOT_SECTION "boot"
#define TEXT_SCREEN_SAVER_KEY "SCRNSAVE.EXE"

// The data files' name prefixes, chosen by the name tail's prefix byte.
#define TEXT_PREFIX_FILE "FILE"
#define TEXT_PREFIX_JUKE "JUKE"
#define TEXT_PREFIX_JUK_ "JUK_"

// The prefix that a name tail's prefix byte selects.
const char *DataFilePrefix(char selector);

// The prefix byte that selects prefix ("FILE", "JUKE" or "JUK_"); returns 0
// for any other text.  "FILE" gives a space, as any other byte would.
int PrefixSelectorFromName(const char *prefix, char *selector);

// What is done with each level of a folder chain as it is reached (the
// installer creates it), with the caller's context.
struct FolderMaker {
    void (*make)(const char *folder, void *context);
    void *context;
};

// Appends a backslash and level to folder, then, when made is not NULL,
// calls it with the folder's path so far.  Returns 1 when it fit;
// otherwise the folder is left unchanged and made is not called.
int AppendFolderLevel(char *folder, size_t capacity, const char *level, const FolderMaker *made);

// Appends the data folder's own levels below the common application data
// folder, "\Quillmoor\Glimmerkit\<baseName>", each through
// AppendFolderLevel, then the closing backslash.  Returns 1 when all of it
// fit.
int AppendDataFolderLevels(char *folder, size_t capacity, const char *baseName, const FolderMaker *made);

// The screen saver's file name: name (trailing spaces already removed),
// cut so that ".scr" always fits, with '_' for each character that can't
// stand in a file name, then ".scr".  Returns 1 when the whole name fit.
int BuildScreenSaverFileName(char *fileName, size_t capacity, const char *name);

// The screen saver's file name cut at its last "." (the whole name when it
// has none).  Returns 1 when it fit in capacity.
int CopyBaseName(char *baseName, size_t capacity, const char *fileName);

// A generated data-file name for record recordIndex (3 and up):
// folder + prefix chosen by nameTail[15] + serial number (at least four
// digits, never cut) + nameTail[0..14] up to its first NUL, with trailing
// spaces removed from the whole path.  Returns 1 when the whole path fit;
// otherwise the path is emptied and 0 returned.
int BuildDataFileName(char *path, size_t capacity, const char *folder, uint16_t firstFileNumber,
                      int recordIndex, const char nameTail[16]);

// The path of record recordIndex (1 and up) in the data folder: the data
// file (base name + ".dat"), the uninstaller, or a generated data-file
// name.  Returns 1 when the whole path fit; otherwise the path is emptied
// and 0 returned.
int BuildDataFolderFilePath(char *path, size_t capacity, const char *folder, const char *baseName,
                            uint16_t firstFileNumber, int recordIndex, const char nameTail[16]);

#endif
