// admin_folder_probe NAME FILE: the installer's data folder step for base
// name NAME, then FILE of that folder replaced; prints the descriptor each
// folder or file is created with and each part set on an existing folder,
// as SDDL.  Wine keeps no descriptor set on a file, so the calls are
// watched in this program's own import table.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <stdio.h>

#include "engine/admin_only.h"
#include "engine/extraction_steps.h"
#include "package/text_rules.h"

static decltype(&CreateDirectoryA) realCreateDirectory;
static decltype(&CreateFileA) realCreateFile;
static decltype(&SetSecurityInfo) realSetSecurityInfo;

static void Print(const char *call, const char *path, const SECURITY_ATTRIBUTES *attributes)
{
    char *text = NULL;
    if (attributes != NULL)
        ConvertSecurityDescriptorToStringSecurityDescriptorA(attributes->lpSecurityDescriptor, SDDL_REVISION_1,
                                                             OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                                             &text, NULL);
    printf("%s %s%s%s\n", call, path, path[0] ? " " : "", text != NULL ? text : "none");
    LocalFree(text);
}

static BOOL WINAPI WatchCreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES attributes)
{
    Print("CreateDirectoryA", path, attributes);
    return realCreateDirectory(path, attributes);
}

static HANDLE WINAPI WatchCreateFile(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes,
                                     DWORD disposition, DWORD flags, HANDLE source)
{
    if (disposition != OPEN_EXISTING)
        Print("CreateFileA", path, attributes);
    return realCreateFile(path, access, share, attributes, disposition, flags, source);
}

static DWORD WINAPI WatchSetSecurityInfo(HANDLE handle, SE_OBJECT_TYPE type, SECURITY_INFORMATION part, PSID owner,
                                         PSID group, PACL dacl, PACL sacl)
{
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorOwner(&descriptor, owner, FALSE);
    SetSecurityDescriptorDacl(&descriptor, dacl != NULL, dacl, FALSE);
    if (part & PROTECTED_DACL_SECURITY_INFORMATION)
        SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
    Print("SetSecurityInfo", "", &attributes);
    return realSetSecurityInfo(handle, type, part, owner, group, dacl, sacl);
}

// Points this program's import of name at watch; returns the function it
// pointed at.
template <typename Function> static Function Watch(const char *name, Function watch)
{
    char *base = (char *)GetModuleHandleA(NULL);
    IMAGE_NT_HEADERS *headers = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    DWORD imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (IMAGE_IMPORT_DESCRIPTOR *dll = (IMAGE_IMPORT_DESCRIPTOR *)(base + imports); dll->Name; dll++) {
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + dll->OriginalFirstThunk);
        for (IMAGE_THUNK_DATA *slot = (IMAGE_THUNK_DATA *)(base + dll->FirstThunk); names->u1.AddressOfData;
             names++, slot++) {
            if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) &&
                lstrcmpA((char *)((IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData))->Name, name) == 0) {
                DWORD old;
                Function real = (Function)slot->u1.Function;
                VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &old);
                slot->u1.Function = (ULONG_PTR)watch;
                return real;
            }
        }
    }
    return NULL;
}

int main(int argc, char **argv)
{
    realCreateDirectory = Watch("CreateDirectoryA", WatchCreateDirectory);
    realCreateFile = Watch("CreateFileA", WatchCreateFile);
    realSetSecurityInfo = Watch("SetSecurityInfo", WatchSetSecurityInfo);
    char folder[kNameFieldSize];
    size_t createdFrom;
    if (argc != 3 || !realCreateDirectory || !realCreateFile || !realSetSecurityInfo ||
        !BuildDataFolder(folder, argv[1], &createdFrom) || !AppendText(folder, sizeof folder, argv[2]))
        return 1;
    return ReplaceWithFreshFile(folder) ? 0 : 1;
}
