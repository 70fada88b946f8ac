// The administrators-only descriptor, the take-over of existing folders and
// the fresh files of the data folder.
#include "engine/admin_only.h"

#include <aclapi.h>
#include <sddl.h>

#include "engine/portable/rules.h"
#include "package/link_levels.h"

enum { kRenewedLimit = 16 * 1024 * 1024 }; // more than any install log holds

// Process-wide, like the module handle: the descriptor never changes, and
// it lives as long as the process.
static SECURITY_ATTRIBUTES adminOnly;

const SECURITY_ATTRIBUTES *AdminOnlyAttributes(void)
{
    if (adminOnly.lpSecurityDescriptor == NULL &&
        ConvertStringSecurityDescriptorToSecurityDescriptorA(TEXT_ADMIN_ONLY_SDDL, SDDL_REVISION_1,
                                                             &adminOnly.lpSecurityDescriptor, NULL)) {
        adminOnly.nLength = sizeof adminOnly;
        adminOnly.bInheritHandle = FALSE;
    }
    return adminOnly.lpSecurityDescriptor != NULL ? &adminOnly : NULL;
}

// An administrator may take any object's ownership with this privilege,
// which its token holds but does not enable; a folder whose DACL a user
// set may grant administrators nothing.
static void EnableTakeOwnership(void)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token))
        return;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(NULL, SE_TAKE_OWNERSHIP_NAME, &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL);
    CloseHandle(token);
}

// Sets one part of the folder's descriptor through a handle to the folder
// itself (never what a link leads to), once the handle shows a folder that
// is no link.
static int SetFolderSecurity(const char *folder, DWORD access, SECURITY_INFORMATION part, PSID owner, PACL dacl)
{
    HANDLE handle = CreateFileA(folder, access | READ_CONTROL | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    BY_HANDLE_FILE_INFORMATION info;
    int done = GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
               !IsLinkAttributes(info.dwFileAttributes) &&
               SetSecurityInfo(handle, SE_FILE_OBJECT, part, owner, NULL, dacl, NULL) == ERROR_SUCCESS;
    CloseHandle(handle);
    return done;
}

int TakeOverFolder(const char *folder)
{
    const SECURITY_ATTRIBUTES *attributes = AdminOnlyAttributes();
    PSID owner;
    PACL dacl;
    BOOL present, defaulted;
    if (attributes == NULL || !GetSecurityDescriptorOwner(attributes->lpSecurityDescriptor, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &dacl, &defaulted))
        return 0;
    EnableTakeOwnership();
    // The owner first: as the owner, administrators may then set the DACL.
    return SetFolderSecurity(folder, WRITE_OWNER, OWNER_SECURITY_INFORMATION, owner, NULL) &&
           SetFolderSecurity(folder, WRITE_DAC, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, NULL,
                             dacl);
}

HANDLE CreateFreshFile(const char *path)
{
    const SECURITY_ATTRIBUTES *attributes = AdminOnlyAttributes();
    if (attributes == NULL)
        return INVALID_HANDLE_VALUE;
    // A file planted by another user keeps its owner, and the right to
    // change it, when written into: it goes, and a new one takes its place.
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES && !DeleteFileA(path))
        return INVALID_HANDLE_VALUE;
    return CreateFileA(path, GENERIC_WRITE, 0, (LPSECURITY_ATTRIBUTES)attributes, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
}

int ReplaceWithFreshFile(const char *path)
{
    HANDLE file = CreateFreshFile(path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(file);
    return 1;
}

// Reads an existing file (not a link) whole, into memory the caller frees.
// Returns 1 with *content NULL when there is no such file, and 0 when it
// could not be read whole.
static int ReadWholeFile(const char *path, char **content, DWORD *size)
{
    *content = NULL;
    *size = 0;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || IsLinkAttributes(attributes))
        return 1;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD length = GetFileSize(file, NULL);
    char *read = length <= kRenewedLimit ? (char *)LocalAlloc(LMEM_FIXED, length + 1) : NULL;
    DWORD got = 0;
    if (read != NULL && (!ReadFile(file, read, length, &got, NULL) || got != length)) {
        LocalFree(read);
        read = NULL;
    }
    CloseHandle(file);
    *content = read;
    *size = length;
    return read != NULL;
}

HANDLE RenewFileForAppend(const char *path, DWORD *oldSize, int *created)
{
    char *content;
    if (!ReadWholeFile(path, &content, oldSize))
        return INVALID_HANDLE_VALUE;
    *created = content == NULL;
    HANDLE file = CreateFreshFile(path);
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE && content != NULL &&
        (!WriteFile(file, content, *oldSize, &written, NULL) || written != *oldSize)) {
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    if (content != NULL)
        LocalFree(content);
    return file;
}
