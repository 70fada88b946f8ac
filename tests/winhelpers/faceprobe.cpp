// faceprobe PROGRAM.EXE: what Windows shows of a program's face, read the
// way Explorer reads it.  Prints the fixed file and product versions and
// each string of the version block (GetFileVersionInfo, VerQueryValue),
// one "key: value" line each in UTF-8, then how many icons the file has
// (ExtractIconEx) and the size and centre colour of the first one's large
// image.  version.dll is loaded at run time, so the probe needs no import
// library for it.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <vector>

typedef DWORD(WINAPI *SizeFunction)(LPCWSTR, LPDWORD);
typedef BOOL(WINAPI *InfoFunction)(LPCWSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI *QueryFunction)(LPCVOID, LPCWSTR, LPVOID *, PUINT);

static void PrintUtf8(const char *key, const wchar_t *text)
{
    char utf8[2048];
    if (!WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr))
        utf8[0] = '\0';
    std::printf("%s: %s\n", key, utf8);
}

static int PrintVersion(const wchar_t *path)
{
    HMODULE version = LoadLibraryA("version.dll");
    SizeFunction size = (SizeFunction)(void *)GetProcAddress(version, "GetFileVersionInfoSizeW");
    InfoFunction info = (InfoFunction)(void *)GetProcAddress(version, "GetFileVersionInfoW");
    QueryFunction query = (QueryFunction)(void *)GetProcAddress(version, "VerQueryValueW");
    DWORD handle = 0;
    DWORD bytes = size && info && query ? size(path, &handle) : 0;
    if (bytes == 0) {
        std::printf("version: none\n");
        return 0;
    }
    std::vector<char> block(bytes);
    if (!info(path, 0, bytes, block.data()))
        return 1;
    VS_FIXEDFILEINFO *fixed;
    UINT length;
    if (query(block.data(), L"\\", (LPVOID *)&fixed, &length) && length >= sizeof *fixed)
        std::printf("fixed: %lu.%lu.%lu.%lu product %lu.%lu.%lu.%lu type %lu\n", fixed->dwFileVersionMS >> 16,
                    fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF,
                    fixed->dwProductVersionMS >> 16, fixed->dwProductVersionMS & 0xFFFF,
                    fixed->dwProductVersionLS >> 16, fixed->dwProductVersionLS & 0xFFFF, fixed->dwFileType);
    static const char *const kKeys[] = {"CompanyName", "FileDescription", "FileVersion",
                                        "LegalCopyright", "ProductName", "ProductVersion"};
    for (const char *key : kKeys) {
        wchar_t path16[128];
        wchar_t *value;
        swprintf(path16, 128, L"\\StringFileInfo\\040904B0\\%hs", key);
        if (query(block.data(), path16, (LPVOID *)&value, &length) && length > 0)
            PrintUtf8(key, value);
    }
    return 0;
}

static void PrintIcon(const wchar_t *path)
{
    UINT count = ExtractIconExW(path, -1, nullptr, nullptr, 0);
    HICON large = nullptr;
    std::printf("icons: %u\n", count);
    if (count == 0 || ExtractIconExW(path, 0, &large, nullptr, 1) == 0 || !large)
        return;
    ICONINFO icon;
    BITMAP bitmap;
    if (!GetIconInfo(large, &icon) || !icon.hbmColor || !GetObject(icon.hbmColor, sizeof bitmap, &bitmap))
        return;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = -bitmap.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels((size_t)bitmap.bmWidth * bitmap.bmHeight);
    HDC dc = CreateCompatibleDC(nullptr);
    int rows = GetDIBits(dc, icon.hbmColor, 0, (UINT)bitmap.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
    DeleteDC(dc);
    DWORD centre = rows ? pixels[(size_t)(bitmap.bmHeight / 2) * bitmap.bmWidth + bitmap.bmWidth / 2] : 0;
    std::printf("large icon: %ldx%ld centre %06lx\n", bitmap.bmWidth, bitmap.bmHeight, centre & 0xFFFFFF);
}

int main()
{
    int argc;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc != 2) {
        std::fprintf(stderr, "usage: faceprobe PROGRAM.EXE\n");
        return 2;
    }
    int status = PrintVersion(argv[1]);
    PrintIcon(argv[1]);
    return status;
}
