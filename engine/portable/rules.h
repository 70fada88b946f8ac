// The engine's portable rules: the pump step, the list of refused media
// types and the texts of the uninstall entry.  They build natively as well, for the unit
// tests; the Windows operations that use them are declared in
// engine/system_registration.h and engine/extraction.h.
#ifndef ENGINE_PORTABLE_RULES_H
#define ENGINE_PORTABLE_RULES_H

#include <stddef.h>
#include <stdint.h>

// The abort state of one run and what its pump step needs: the context of
// the stored copy's and the decoder's PumpHook.
struct ExtractionPump {
    int32_t abortRequested; // set to 1 by a confirmed Cancel; never reset
    int32_t abortExempt;    // 1 only while the uninstaller's record is processed: it is written whole
    void (*pumpMessages)(void *window); // hands the waiting messages to the progress dialog
    void *window;                       // the progress dialog
};

// The pump step (context: an ExtractionPump): the waiting messages, where a
// Cancel may be confirmed, then asks the loop to stop when Cancel was
// confirmed and the file is not exempt.
int ExtractionPumpStep(void *context);

// Who may do what in every folder level of the data folder that the
// installer makes or takes over, and in the files it writes there, as SDDL:
// owner Administrators; a protected DACL (nothing inherited from above)
// that gives SYSTEM and Administrators full control and Users read and
// execute, each inherited by files and subfolders.
#define TEXT_ADMIN_ONLY_SDDL "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"

enum {
    kMissingTypesSize = 256,
    kUninstallKeyPathSize = 1024,
};

// The list rule on its own: appends the extension of path (from its last
// ".", case kept) and CR LF unless the list already contains it.  list is a
// kMissingTypesSize buffer.
void AppendMissingType(char *list, const char *path);

// The extension of the path's file name: from the last "." of its last
// component to the end, dot included; NULL when the file name has none.
const char *FileExtension(const char *path);

// Cuts text at its last "." (nothing happens when there is none).
void CutAtLastDot(char *text);

// The uninstall key of a screen saver file name: the Uninstall key, a
// backslash and the file name without its extension.  Returns 0 when the
// base name is empty; keyPath then names the Uninstall key itself.
int BuildUninstallKeyPath(char *keyPath, size_t capacity, const char *fileName);

// Turns the uninstaller's path into its folder: cut at the last backslash,
// unless that backslash is also the first one (C:\UNINSTAL.EXE stays whole).
void CutInstallLocation(char *path);

#endif
