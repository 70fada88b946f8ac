// SecureInstallPlaces: no link in the way of the run's writes, and the
// data folder's existing levels administrators' only, before the first
// write.
#include "engine/admin_only.h"
#include "engine/extraction_steps.h"
#include "package/link_levels.h"
#include "package/path_buffer.h"
#include "package/text_rules.h"

// The first path at fault, empty while there is none.
struct Refusal {
    char *path;
    size_t capacity;
};

static void RefuseLink(const char *level, void *context)
{
    Refusal *refusal = (Refusal *)context;
    if (refusal->path[0] == '\0' && IsLinkAttributes(GetFileAttributesA(level)))
        CopyText(refusal->path, refusal->capacity, level);
}

static void TakeOverExisting(const char *level, void *context)
{
    Refusal *refusal = (Refusal *)context;
    if (refusal->path[0] == '\0' && GetFileAttributesA(level) != INVALID_FILE_ATTRIBUTES &&
        !TakeOverFolder(level))
        CopyText(refusal->path, refusal->capacity, level);
}

int SecureInstallPlaces(const char *screenSaverFileName, char *refused, size_t capacity)
{
    Refusal refusal = {refused, capacity};
    refused[0] = '\0';
    char path[kPathBufferSize];
    if (BuildScreenSaverPath(path, sizeof path, screenSaverFileName))
        RefuseLink(path, &refusal);
    char baseName[kNameFieldSize];
    CopyBaseName(baseName, sizeof baseName, screenSaverFileName);
    // Every level is looked at before any is changed.
    const FolderMaker linkCheck = {RefuseLink, &refusal};
    WalkDataFolderChain(path, baseName, &linkCheck, &linkCheck);
    const FolderMaker takeOver = {TakeOverExisting, &refusal};
    if (refused[0] == '\0')
        WalkDataFolderChain(path, baseName, NULL, &takeOver);
    return refused[0] == '\0';
}
