// GetFreeDiskKB: free kilobytes on the drive that holds a directory.
#include "flow/checks.h"
#include "system_dlls/system_dlls.h"

typedef BOOL(WINAPI *GetDiskFreeSpaceExProc)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

uint32_t GetFreeDiskKB(const char *directory)
{
    char rootBuffer[kMeasuredRootSize];
    const char *root = MeasuredRoot(directory, rootBuffer);

    // The extended query knows drives past 2 GiB and counts only what the
    // user may use (disk quotas); older systems lack it.
    HMODULE kernel = LoadSystemDll("KERNEL32.DLL");
    if (kernel != NULL) {
        GetDiskFreeSpaceExProc query = (GetDiskFreeSpaceExProc)(void (*)(void))GetProcAddress(kernel, "GetDiskFreeSpaceExA");
        ULARGE_INTEGER freeToCaller, totalBytes, totalFree;
        BOOL ok = query != NULL && query(root, &freeToCaller, &totalBytes, &totalFree);
        FreeLibrary(kernel);
        if (ok)
            return KilobytesFromBytes(freeToCaller.QuadPart);
    }

    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return kFreeSpaceUnknown;
    return KilobytesFromBytes((uint64_t)sectorsPerCluster * bytesPerSector * freeClusters);
}
