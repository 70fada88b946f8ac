// The system layer on Windows (mingw-w64): the C runtime's descriptor
// calls, and the kernel where the runtime has no equivalent.
#include "scrpack/system/system.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>


namespace {

// errno for the kernel's last error, for the calls that go to the kernel.
void SetErrnoFromLastError()
{
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        errno = ENOENT;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        errno = EACCES;
        break;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        errno = EEXIST;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        errno = ENOSPC;
        break;
    case ERROR_NOT_SAME_DEVICE:
        errno = EXDEV;
        break;
    case ERROR_DIRECTORY:
        errno = ENOTDIR;
        break;
    default:
        errno = EIO;
        break;
    }
}

UINT savedConsoleOutputCodePage;

std::wstring Wide(const std::string &text)
{
    int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(length > 0 ? (size_t)length : 1, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(wide.size() - 1);
    return wide;
}

// One argument as the C runtime's command-line parser reads it back.
void AppendQuoted(std::wstring *line, const std::wstring &argument)
{
    if (!line->empty())
        *line += L' ';
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        *line += argument;
        return;
    }
    *line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            backslashes++;
            continue;
        }
        *line += std::wstring(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        *line += c;
    }
    *line += std::wstring(2 * backslashes, L'\\');
    *line += L'"';
}

void RestoreConsoleOutputCodePage()
{
    SetConsoleOutputCP(savedConsoleOutputCodePage);
}

} // namespace

bool IsProgram(const std::string &path)
{
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int OpenForReading(const std::string &path)
{
    int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0 && IsFolder(path))
        errno = EISDIR;
    return fd;
}

int OpenForUpdate(const std::string &path)
{
    return _open(path.c_str(), _O_RDWR | _O_BINARY | _O_NOINHERIT);
}

long long WriteAt(int fd, const void *data, size_t size, uint64_t offset)
{
    if (offset > (uint64_t)LLONG_MAX || _lseeki64(fd, (long long)offset, SEEK_SET) < 0)
        return -1;
    return _write(fd, data, (unsigned)std::min<size_t>(size, INT_MAX));
}

long long ReadSome(int fd, void *buffer, size_t size)
{
    return _read(fd, buffer, (unsigned)std::min<size_t>(size, INT_MAX));
}

long long WriteSome(int fd, const void *data, size_t size)
{
    return _write(fd, data, (unsigned)std::min<size_t>(size, INT_MAX));
}

bool CloseFile(int fd)
{
    return _close(fd) == 0;
}

bool RemoveFile(const std::string &path)
{
    return _unlink(path.c_str()) == 0;
}

bool RemoveFolder(const std::string &path)
{
    return _rmdir(path.c_str()) == 0;
}

bool RegularFileSize(int fd, uint64_t *size)
{
    struct _stati64 info;
    if (_fstati64(fd, &info) != 0)
        return false;
    if ((info.st_mode & _S_IFMT) != _S_IFREG) {
        errno = (info.st_mode & _S_IFMT) == _S_IFDIR ? EISDIR : EINVAL;
        return false;
    }
    *size = (uint64_t)info.st_size;
    return true;
}

long long ReadAt(int fd, void *buffer, size_t size, uint64_t offset)
{
    if (offset > (uint64_t)LLONG_MAX || _lseeki64(fd, (long long)offset, SEEK_SET) < 0)
        return -1;
    return _read(fd, buffer, (unsigned)std::min<size_t>(size, INT_MAX));
}

int CreateUniqueFile(std::string *pattern)
{
    // mingw-w64's mkstemp opens the file binary, as every file here is.
    return mkstemp(&(*pattern)[0]);
}

bool SetFileMode(int, unsigned)
{
    return true;
}

unsigned NewFileMode()
{
    return 0666;
}

bool SyncFile(int fd)
{
    return _commit(fd) == 0;
}

bool RenameOver(const std::string &from, const std::string &to)
{
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    SetErrnoFromLastError();
    return false;
}

void CopyFileMode(const std::string &, const std::string &)
{
}

bool MakeFolder(const std::string &path)
{
    return _mkdir(path.c_str()) == 0;
}

bool IsFolder(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

PathKind KindOfPath(const std::string &path)
{
    HANDLE file = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::Missing : PathKind::Unknown;
    }
    DWORD type = GetFileType(file);
    BY_HANDLE_FILE_INFORMATION info;
    BOOL got = type == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (type == FILE_TYPE_CHAR)
        return PathKind::Device;
    if (type == FILE_TYPE_PIPE)
        return PathKind::Fifo;
    if (!got)
        return PathKind::Unknown;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return PathKind::Link;
    return info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::Folder : PathKind::RegularFile;
}

std::string LinkTarget(const std::string &)
{
    return "";
}

unsigned NewProgramMode()
{
    return 0777;
}

bool ExistingFileMode(const std::string &path, unsigned *mode)
{
    *mode = 0777;
    return PathExists(path);
}

bool SameFile(const std::string &a, const std::string &b)
{
    BY_HANDLE_FILE_INFORMATION info[2];
    const std::string *paths[2] = {&a, &b};
    for (int i = 0; i < 2; i++) {
        HANDLE file = CreateFileA(paths[i]->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        BOOL got = GetFileInformationByHandle(file, &info[i]);
        CloseHandle(file);
        if (!got)
            return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

bool IsReadOnlyFile(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

size_t DrivePrefixLength(const std::string &path)
{
    bool letter = path.size() >= 2 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return letter && path[1] == ':' ? 2 : 0;
}

bool IsTerminal(int fd)
{
    // A console that takes the VT control sequences (Windows 10 and later);
    // an older console, the NUL device or a pipe gets no bar.
    HANDLE handle = (HANDLE)_get_osfhandle(fd);
    DWORD mode;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) &&
           SetConsoleMode(handle, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

unsigned TerminalColumns(int fd)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    HANDLE handle = (HANDLE)_get_osfhandle(fd);
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(handle, &info))
        return 0;
    return (unsigned)(info.srWindow.Right - info.srWindow.Left + 1);
}

std::string ProgramFolder()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, &path[0], (DWORD)path.size());
        if (length == 0)
            return "";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t end = path.find_last_of(kPathSeparators);
    return end == std::string::npos ? "" : path.substr(0, end);
}

namespace {

// The child's standard handles, both inherited: its output and errors go
// to a temporary file, gone once closed, and its input is the NUL device.
bool OpenChildHandles(HANDLE *log, HANDLE *input)
{
    wchar_t folder[MAX_PATH], logPath[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"scr", 0, logPath))
        return false;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    *log = CreateFileW(logPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    *input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                         nullptr);
    if (*log != INVALID_HANDLE_VALUE && *input != INVALID_HANDLE_VALUE)
        return true;
    if (*log != INVALID_HANDLE_VALUE)
        CloseHandle(*log);
    if (*input != INVALID_HANDLE_VALUE)
        CloseHandle(*input);
    return false;
}

} // namespace

ProgramRun RunProgram(const std::vector<std::string> &arguments)
{
    ProgramRun run;
    std::wstring line;
    for (const std::string &argument : arguments)
        AppendQuoted(&line, Wide(argument));
    HANDLE log, input;
    if (!OpenChildHandles(&log, &input))
        return run;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = log;
    startup.hStdError = log;
    PROCESS_INFORMATION process;
    std::wstring program = Wide(arguments[0]);
    run.started = CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                 nullptr, &startup, &process) != 0;
    CloseHandle(input);
    if (run.started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        run.exited = true;
        run.status = (int)code;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        SetFilePointer(log, 0, nullptr, FILE_BEGIN);
        char buffer[4096];
        DWORD got;
        while (ReadFile(log, buffer, sizeof buffer, &got, nullptr) && got > 0)
            run.output.append(buffer, got);
    }
    CloseHandle(log);
    return run;
}

static const int kStopSignals[3] = {SIGINT, SIGTERM, SIGBREAK};

void CatchStopSignals(void (*handler)(int), StopSignalHandlers *saved)
{
    for (int i = 0; i < 3; i++) {
        saved->saved[i] = std::signal(kStopSignals[i], handler);
        if (saved->saved[i] == SIG_IGN)
            std::signal(kStopSignals[i], SIG_IGN);
    }
}

void KeepCatching(int signal, void (*handler)(int))
{
    std::signal(signal, handler);
}

void RestoreStopSignals(const StopSignalHandlers &saved)
{
    for (int i = 0; i < 3; i++)
        std::signal(kStopSignals[i], saved.saved[i] == SIG_ERR ? SIG_DFL : saved.saved[i]);
}

void PrepareStandardStreams()
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // The texts are UTF-8 (the program's manifest makes that its code page);
    // the console shows them so while scrpack runs.
    UINT codePage = GetConsoleOutputCP();
    if (codePage != 0 && codePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        savedConsoleOutputCodePage = codePage;
        std::atexit(RestoreConsoleOutputCodePage);
    }
}
