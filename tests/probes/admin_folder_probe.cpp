// admin_folder_probe NAME [FILE]: runs the installer's data folder step for
// the base name NAME (and, given FILE, replaces that file of the data
// folder), and prints the descriptor each folder or file was created with,
// and each part of a descriptor set on an existing folder, as SDDL:
//   CreateDirectoryA PATH SDDL|none
//   CreateFileA PATH SDDL|none
//   SetSecurityInfo SDDL
// Wine keeps no descriptor set on a file, so the calls are watched in this
// program's own import table instead.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <stdio.h>
#include <stdlib.h>

#include "engine/admin_only.h"
#include "engine/extraction_steps.h"
#include "package/text_rules.h"

static BOOL(WINAPI *realCreateDirectory)(LPCSTR, LPSECURITY_ATTRIBUTES);
static HANDLE(WINAPI *realCreateFile)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
static DWORD(WINAPI *realSetSecurityInfo)(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL, PACL);

static void PrintDescriptor(const char *call, const char *path, PSECURITY_DESCRIPTOR descriptor)
{
    char *text = NULL;
    if (descriptor != NULL)
        ConvertSecurityDescriptorToStringSecurityDescriptorA(
            descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, NULL);
    printf("%s %s%s%s\n", call, path, path[0] ? " " : "", text != NULL ? text : "none");
    LocalFree(text);
}

static BOOL WINAPI WatchCreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES attributes)
{
    PrintDescriptor("CreateDirectoryA", path, attributes != NULL ? attributes->lpSecurityDescriptor : NULL);
    return realCreateDirectory(path, attributes);
}

static HANDLE WINAPI WatchCreateFile(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes,
                                     DWORD disposition, DWORD flags, HANDLE source)
{
    if (disposition != OPEN_EXISTING)
        PrintDescriptor("CreateFileA", path, attributes != NULL ? attributes->lpSecurityDescriptor : NULL);
    return realCreateFile(path, access, share, attributes, disposition, flags, source);
}

static DWORD WINAPI WatchSetSecurityInfo(HANDLE handle, SE_OBJECT_TYPE type, SECURITY_INFORMATION part, PSID owner,
                                         PSID group, PACL dacl, PACL sacl)
{
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorOwner(&descriptor, owner, FALSE);
    if (part & DACL_SECURITY_INFORMATION)
        SetSecurityDescriptorDacl(&descriptor, TRUE, dacl, FALSE);
    if (part & PROTECTED_DACL_SECURITY_INFORMATION)
        SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    PrintDescriptor("SetSecurityInfo", "", &descriptor);
    return realSetSecurityInfo(handle, type, part, owner, group, dacl, sacl);
}

// Points this program's import of name at watch; returns the imported function.
static void *Watch(const char *name, void *watch)
{
    char *base = (char *)GetModuleHandleA(NULL);
    IMAGE_NT_HEADERS *headers = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY directory = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (IMAGE_IMPORT_DESCRIPTOR *dll = (IMAGE_IMPORT_DESCRIPTOR *)(base + directory.VirtualAddress); dll->Name;
         dll++) {
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + dll->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + dll->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                lstrcmpA((char *)((IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData))->Name, name) != 0)
                continue;
            DWORD old;
            void *real = (void *)slots->u1.Function;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            slots->u1.Function = (ULONG_PTR)watch;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            return real;
        }
    }
    printf("no import %s\n", name);
    exit(2);
}

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    realCreateDirectory = (decltype(realCreateDirectory))Watch("CreateDirectoryA", (void *)WatchCreateDirectory);
    realCreateFile = (decltype(realCreateFile))Watch("CreateFileA", (void *)WatchCreateFile);
    realSetSecurityInfo = (decltype(realSetSecurityInfo))Watch("SetSecurityInfo", (void *)WatchSetSecurityInfo);
    char folder[kNameFieldSize];
    size_t createdFrom;
    int built = BuildDataFolder(folder, argv[1], &createdFrom);
    printf("data folder %s\n", built ? folder : "none");
    if (argc > 2 && built && AppendText(folder, sizeof folder, argv[2]))
        printf("fresh file %d\n", ReplaceWithFreshFile(folder));
    return 0;
}
