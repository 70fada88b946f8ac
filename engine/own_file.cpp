// The own file's path, found once here for every reader of the package.
#include "engine/own_file.h"

#include "package/manifest.h"
#include "package/path_buffer.h"

// The optional header size of this image's own format (224 for PE32, 240
// for PE32+); the manifest locator never trusts the declared size.
static const unsigned kOwnOptionalHeaderSize = (unsigned)sizeof(IMAGE_OPTIONAL_HEADER);

int OwnFilePath(char *path, size_t capacity)
{
    if (capacity == 0)
        return 0;
    DWORD length = GetModuleFileNameA(NULL, path, (DWORD)capacity);
    if (length == 0 || length >= capacity) {
        path[0] = '\0';
        return 0;
    }
    return 1;
}

HFILE OpenManifest(void)
{
    char path[kPathBufferSize];
    return OwnFilePath(path, sizeof path) ? OpenManifestFile(path, kOwnOptionalHeaderSize) : HFILE_ERROR;
}

void ReadScreenSaverName(char *name)
{
    HFILE manifest = OpenManifest();
    if (manifest == HFILE_ERROR)
        return;
    ReadScreenSaverNameAt(manifest, name);
    _lclose(manifest);
}

IntegrityEnd CheckOwnIntegrity(void)
{
    char path[kPathBufferSize];
    if (!OwnFilePath(path, sizeof path))
        return kIntegrityNoRecord; // as a manifest that can't be reached
    IntegrityCheck check;
    return CheckPackageIntegrity(path, kOwnOptionalHeaderSize, &check);
}
