// admin_folder_probe NAME FILE: the data folder step for base name NAME,
// then FILE in it replaced; prints as SDDL the descriptor each folder and
// file is created with and each part set on an existing folder.  Wine keeps
// no descriptor set on a file: the calls are watched in the import table.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <stdio.h>

#include "engine/admin_only.h"
#include "engine/extraction_steps.h"
#include "package/path_buffer.h"
#include "package/text_rules.h"

static decltype(&CreateDirectoryA) realCreateDirectory;
static decltype(&CreateFileA) realCreateFile;
static decltype(&SetSecurityInfo) realSetSecurityInfo;

static void Print(const char *call, const char *path, PSECURITY_DESCRIPTOR descriptor)
{
    char *text = NULL;
    if (descriptor != NULL)
        ConvertSecurityDescriptorToStringSecurityDescriptorA(
            descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, NULL);
    printf("%s %s%s%s\n", call, path, path[0] ? " " : "", text != NULL ? text : "none");
    LocalFree(text);
}

static BOOL WINAPI WatchCreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES sa)
{
    Print("CreateDirectoryA", path, sa != NULL ? sa->lpSecurityDescriptor : NULL);
    return realCreateDirectory(path, sa);
}

static HANDLE WINAPI WatchCreateFile(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD how,
                                     DWORD flags, HANDLE source)
{
    if (how != OPEN_EXISTING)
        Print("CreateFileA", path, sa != NULL ? sa->lpSecurityDescriptor : NULL);
    return realCreateFile(path, access, share, sa, how, flags, source);
}

static DWORD WINAPI WatchSetSecurityInfo(HANDLE file, SE_OBJECT_TYPE type, SECURITY_INFORMATION part, PSID owner,
                                         PSID group, PACL dacl, PACL sacl)
{
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorOwner(&descriptor, owner, FALSE);
    SetSecurityDescriptorDacl(&descriptor, dacl != NULL, dacl, FALSE);
    if (part & PROTECTED_DACL_SECURITY_INFORMATION)
        SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    Print("SetSecurityInfo", "", &descriptor);
    return realSetSecurityInfo(file, type, part, owner, group, dacl, sacl);
}

// Points this program's import of name at watch; returns what it pointed at.
template <typename Function> static Function Watch(const char *name, Function watch)
{
    char *base = (char *)GetModuleHandleA(NULL);
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (IMAGE_IMPORT_DESCRIPTOR *dll = (IMAGE_IMPORT_DESCRIPTOR *)(base + imports); dll->Name; dll++) {
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + dll->OriginalFirstThunk);
        for (IMAGE_THUNK_DATA *slot = (IMAGE_THUNK_DATA *)(base + dll->FirstThunk); names->u1.AddressOfData;
             names++, slot++) {
            IMAGE_IMPORT_BY_NAME *import = (IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
            DWORD old;
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) || lstrcmpA((char *)import->Name, name) != 0 ||
                !VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &old))
                continue;
            Function real = (Function)slot->u1.Function;
            slot->u1.Function = (ULONG_PTR)watch;
            return real;
        }
    }
    return NULL;
}

int main(int argc, char **argv)
{
    char folder[kPathBufferSize];
    size_t createdFrom;
    realCreateDirectory = Watch("CreateDirectoryA", WatchCreateDirectory);
    realCreateFile = Watch("CreateFileA", WatchCreateFile);
    realSetSecurityInfo = Watch("SetSecurityInfo", WatchSetSecurityInfo);
    return argc == 3 && realCreateDirectory && realCreateFile && realSetSecurityInfo &&
                   BuildDataFolder(folder, argv[1], &createdFrom) && AppendText(folder, sizeof folder, argv[2]) &&
                   ReplaceWithFreshFile(folder)
               ? 0
               : 1;
}
